#include "ui/phonenumbervalidator.h"

PhoneNumberValidator::PhoneNumberValidator(Signs signs, QObject *parent)
    : QValidator(parent)
    , m_keyPadSigns(signs == WithKeyPadSigns)
    , m_pattern(QRegularExpression::anchoredPattern(m_keyPadSigns ? QStringLiteral("\\+?[0-9\\-\\*\\#]*")
                                                                  : QStringLiteral("\\+?[0-9\\-]*")))
{ }

QValidator::State PhoneNumberValidator::validate(QString &input, int &pos) const
{
    // Key-pad signs are dialled: a number without them would be another
    // number, so where they have no place the edit is refused whole.
    if (!m_keyPadSigns && (input.contains(QLatin1Char('*')) || input.contains(QLatin1Char('#'))))
        return Invalid;
    int removedBeforeCursor = 0;
    for (int i = 0; i < qMin(pos, int(input.size())); ++i) {
        if (!isPhoneCharacter(input.at(i)))
            ++removedBeforeCursor;
    }
    fixup(input);
    pos = qBound(0, pos - removedBeforeCursor, int(input.size()));
    return m_pattern.match(input).hasMatch() ? Acceptable : Invalid;
}

void PhoneNumberValidator::fixup(QString &input) const
{
    QString kept;
    kept.reserve(input.size());
    for (const QChar c : std::as_const(input)) {
        if (isPhoneCharacter(c))
            kept.append(c);
    }
    input = kept;
}

bool PhoneNumberValidator::isPhoneCharacter(QChar c) const
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return true;
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return true;
    return m_keyPadSigns && (c == QLatin1Char('*') || c == QLatin1Char('#'));
}
