#ifndef LINKORA_UI_PHONENUMBERVALIDATOR_H
#define LINKORA_UI_PHONENUMBERVALIDATOR_H

#include <QRegularExpression>
#include <QValidator>

// Lets into a line edit the characters of a phone number: digits, "-" and a
// "+" in front, and where the number may carry key-pad signs "*" and "#" too.
// Anything else typed or pasted (blanks, brackets, letters) is dropped from
// the edit rather than refusing it whole, so that a number copied from a
// page or a card comes in clean; an edit that leaves a "+" anywhere but first
// is refused, and so is one that brings key-pad signs where they have no
// place.
class PhoneNumberValidator : public QValidator
{
    Q_OBJECT
    Q_DISABLE_COPY(PhoneNumberValidator)

public:
    enum Signs { DigitsOnly, WithKeyPadSigns };

    explicit PhoneNumberValidator(Signs signs, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    bool isPhoneCharacter(QChar c) const;

    const bool m_keyPadSigns;
    const QRegularExpression m_pattern;
};

#endif // LINKORA_UI_PHONENUMBERVALIDATOR_H
