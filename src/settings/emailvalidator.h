#ifndef EMAILVALIDATOR_H
#define EMAILVALIDATOR_H

#include <QString>

// The e-mail address check of the invitation form.
class EmailValidator
{
public:
    EmailValidator() = default;

    // True when the whole text is an address: a local part, one "@", a domain
    // and a top-level label of at least two letters.
    static bool isValid(const QString &text);
};

#endif // EMAILVALIDATOR_H
