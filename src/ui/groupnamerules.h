#ifndef LINKORA_UI_GROUPNAMERULES_H
#define LINKORA_UI_GROUPNAMERULES_H

#include <QCoreApplication>
#include <QString>

class ContactManager;
class QObject;
class QValidator;

// What a group's name may be, wherever the user types one: letters of any
// script, digits and underscores, and the name of no other group of the book
// in any letter case. At most MaxLength of them can be typed; a longer name
// the service gave a group is still a good one, and saving it is not refused.
class GroupNameRules
{
    Q_DECLARE_TR_FUNCTIONS(GroupNameRules)

public:
    // Of typing only.
    static constexpr int MaxLength = 20;

    // For the name's field: lets nothing else, and no more, be typed.
    static QValidator *validator(QObject *parent);
    // Letters, digits and underscores, at least one, of any number.
    static bool isWellFormed(const QString &name);
    // Whether a group of the book other than ownName has the name, in any
    // letter case; a group may keep its own name or change its case.
    static bool isTaken(const QString &name, const ContactManager *book, const QString &ownName = QString());

    static QString malformedText();
    static QString takenText(const QString &name);
};

#endif // LINKORA_UI_GROUPNAMERULES_H
