#include "ui/groupnamerules.h"

#include "ui/contactmanager.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

// "\w" of any script, not only ASCII.
QRegularExpression namePattern(const QString &repeat)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QStringLiteral("[\\w_]") + repeat),
                              QRegularExpression::UseUnicodePropertiesOption);
}

} // namespace

QValidator *GroupNameRules::validator(QObject *parent)
{
    return new QRegularExpressionValidator(namePattern(QStringLiteral("{0,%1}").arg(MaxLength)), parent);
}

bool GroupNameRules::isWellFormed(const QString &name)
{
    static const QRegularExpression pattern = namePattern(QStringLiteral("+"));
    return pattern.match(name).hasMatch();
}

bool GroupNameRules::isTaken(const QString &name, const ContactManager *book, const QString &ownName)
{
    if (!book)
        return false;
    const QList<ContactGroupPtr> groups = book->groups();
    for (const ContactGroupPtr &group : groups) {
        if (group->name() != ownName && group->name().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString GroupNameRules::malformedText()
{
    return tr("The following field is invalid or contains spaces: %1").arg(tr("Group"));
}

QString GroupNameRules::takenText(const QString &name)
{
    return tr("The following group already exists: %1").arg(name);
}
