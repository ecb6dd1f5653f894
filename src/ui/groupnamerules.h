#ifndef LINKORA_UI_GROUPNAMERULES_H
#define LINKORA_UI_GROUPNAMERULES_H

#include <QCoreApplication>
#include <QString>

class ContactManager;
class QObject;
class QValidator;

// What a group's name may be, wherever the user types one: letters of any
// script, digits and underscores, at most MaxLength of them, and the name of
// no other group of the book in any letter case.
class GroupNameRules
{
    Q_DECLARE_TR_FUNCTIONS(GroupNameRules)

public:
    static constexpr int MaxLength = 20;

    // For the name's field: lets nothing else be typed.
    static QValidator *validator(QObject *parent);
    static bool isWellFormed(const QString &name);
    // Whether a group of the book other than ownName has the name, in any
    // letter case; a group may keep its own name or change its case.
    static bool isTaken(const QString &name, const ContactManager *book, const QString &ownName = QString());

    static QString malformedText();
    static QString takenText(const QString &name);
    // The first rule the name breaks, in words for the user; empty when
    // it breaks none.
    static QString problem(const QString &name, const ContactManager *book,
                           const QString &ownName = QString());
};

#endif // LINKORA_UI_GROUPNAMERULES_H
