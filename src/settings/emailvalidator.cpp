#include "emailvalidator.h"

#include <QRegularExpression>

bool EmailValidator::isValid(const QString &text)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral(
        R"([!#$%&'()*+,-/_A-Za-z0-9]+(\.[!"#$%&'()*+,-./_A-Za-z0-9]+)*@[-/_A-Za-z0-9]+(\.[-_A-Za-z0-9]+)*((\.[A-Za-z]{2,}){1}$))")));
    return pattern.match(text).hasMatch();
}
