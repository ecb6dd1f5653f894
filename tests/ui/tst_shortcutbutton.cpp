#include "keyboardhelpers.h"
#include "support/testenvironment.h"
#include "ui/shortcutbutton.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using KeyboardTesting::Fingers;

namespace {

QKeySequence keys(const QString &text)
{
    return QKeySequence::fromString(text, QKeySequence::PortableText);
}

// The hot-key button in a dialog with a default button and a field to click
// away to, as in the preferences.
struct Stage
{
    Stage()
    {
        auto *layout = new QVBoxLayout(&dialog);
        button = new ShortcutButton(&dialog);
        other = new QLineEdit(&dialog);
        defaultButton = new QPushButton(QStringLiteral("Save"), &dialog);
        defaultButton->setDefault(true);
        layout->addWidget(button);
        layout->addWidget(other);
        layout->addWidget(defaultButton);
        button->setDefaultKeySequence(keys(QStringLiteral("Ctrl+Right")));
        QObject::connect(defaultButton, &QPushButton::clicked, &dialog, &QDialog::accept);
    }

    QPushButton *pushButton() const { return button->findChild<QPushButton *>(QStringLiteral("pushButton")); }
    QLineEdit *lineEdit() const { return button->findChild<QLineEdit *>(QStringLiteral("lineEdit")); }
    QString page() const
    {
        return button->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))
            ->currentWidget()
            ->objectName();
    }
    bool startCapture() const
    {
        QTest::mouseClick(pushButton(), Qt::LeftButton);
        return button->isEditing() && lineEdit()->hasFocus();
    }

    QDialog dialog;
    ShortcutButton *button = nullptr;
    QLineEdit *other = nullptr;
    QPushButton *defaultButton = nullptr;
};

} // namespace

class TestShortcutButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void capturesWhatTheFingersDo_data();
    void capturesWhatTheFingersDo();
    void captureShowsTheHeldModifiers_data();
    void captureShowsTheHeldModifiers();
    void clickingAwayEndsTheCaptureUnchanged();
    void keysDuringACaptureReachNothingElse();
    void defaultAndResetSignals();

private:
    std::unique_ptr<Stage> m_stage;
};

void TestShortcutButton::init()
{
    m_stage = std::make_unique<Stage>();
    m_stage->dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&m_stage->dialog));
}

void TestShortcutButton::cleanup()
{
    m_stage.reset();
}

void TestShortcutButton::capturesWhatTheFingersDo_data()
{
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("emitted");

    QTest::newRow("Ctrl+H") << "" << QStringList {"+Ctrl", "+H", "-H", "-Ctrl"} << "Ctrl+H" << 1;
    QTest::newRow("Control let go before H")
        << "" << QStringList {"+Ctrl", "+H", "-Ctrl", "-H"} << "Ctrl+H" << 1;
    QTest::newRow("the same again") << "Ctrl+H" << QStringList {"+Ctrl", "+H", "-H", "-Ctrl"} << "Ctrl+H"
                                    << 0;
    QTest::newRow("H alone") << "" << QStringList {"+H", "-H"} << "Ctrl+Right" << 0;
    QTest::newRow("Escape alone") << "" << QStringList {"+Esc", "-Esc"} << "Esc" << 1;
    QTest::newRow("Return alone") << "" << QStringList {"+Return", "-Return"} << "Return" << 1;
    QTest::newRow("key-pad Enter alone") << "" << QStringList {"+Enter", "-Enter"} << "Enter" << 1;
    QTest::newRow("Control alone") << "" << QStringList {"+Ctrl", "-Ctrl"} << "Ctrl+Right" << 0;
    QTest::newRow("Ctrl+Shift+S") << "" << QStringList {"+Ctrl", "+Shift", "+S", "-S", "-Shift", "-Ctrl"}
                                  << "Ctrl+Shift+S" << 1;
    // The read-only field keeps these for its own cursor unless the button
    // takes them first.
    QTest::newRow("Ctrl+Right") << "Ctrl+H" << QStringList {"+Ctrl", "+Right", "-Right", "-Ctrl"}
                                << "Ctrl+Right" << 1;
    QTest::newRow("Ctrl+A") << "" << QStringList {"+Ctrl", "+A", "-A", "-Ctrl"} << "Ctrl+A" << 1;
    QTest::newRow("Alt+Left") << "" << QStringList {"+Alt", "+Left", "-Left", "-Alt"} << "Alt+Left" << 1;
    QTest::newRow("AltGr and Meta change nothing")
        << "" << QStringList {"+Ctrl", "+AltGr", "-AltGr", "+Meta", "-Meta", "+G", "-G", "-Ctrl"} << "Ctrl+G"
        << 1;
    QTest::newRow("Shift with a function key")
        << "" << QStringList {"+Shift", "+F5", "-F5", "-Shift"} << "Shift+F5" << 1;
}

void TestShortcutButton::capturesWhatTheFingersDo()
{
    QFETCH(QString, custom);
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(int, emitted);

    ShortcutButton *button = m_stage->button;
    button->setKeySequence(keys(custom));
    QSignalSpy changed(button, &ShortcutButton::hotKeyChanged);

    QVERIFY(m_stage->startCapture());
    QCOMPARE(m_stage->page(), QStringLiteral("editPage"));
    QCOMPARE(m_stage->lineEdit()->selectedText(), m_stage->pushButton()->text());
    QVERIFY(Fingers().play(steps));

    QVERIFY(!button->isEditing());
    QCOMPARE(m_stage->page(), QStringLiteral("buttonPage"));
    QCOMPARE(m_stage->pushButton()->text(), shown);
    QCOMPARE(button->effectiveKeySequence().toString(QKeySequence::PortableText), shown);
    QCOMPARE(changed.count(), emitted);
    if (emitted)
        QCOMPARE(changed.last().first().value<QKeySequence>(), keys(shown));
    // Nothing of it reached the dialog: no Save, no close.
    QVERIFY(m_stage->dialog.isVisible());
    QCOMPARE(m_stage->dialog.result(), 0);
}

void TestShortcutButton::captureShowsTheHeldModifiers_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Control") << QStringList {"+Ctrl"} << "Control  ...";
    QTest::newRow("Control and Shift") << QStringList {"+Ctrl", "+Shift"} << "Control Shift  ...";
    QTest::newRow("Shift then Alt") << QStringList {"+Shift", "+Alt"} << "Shift Alt  ...";
    QTest::newRow("a key with Control") << QStringList {"+Ctrl", "+K"} << "Ctrl+K";
    QTest::newRow("Return") << QStringList {"+Return"} << "Return";
    QTest::newRow("a key alone shows nothing new") << QStringList {"+K"} << "Ctrl+Right";
}

void TestShortcutButton::captureShowsTheHeldModifiers()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QVERIFY(m_stage->startCapture());
    QVERIFY(Fingers().play(steps));
    QVERIFY(m_stage->button->isEditing());
    QCOMPARE(m_stage->lineEdit()->text(), shown);
}

void TestShortcutButton::clickingAwayEndsTheCaptureUnchanged()
{
    ShortcutButton *button = m_stage->button;
    QSignalSpy changed(button, &ShortcutButton::hotKeyChanged);
    QVERIFY(m_stage->startCapture());
    QVERIFY(Fingers().play({"+Ctrl"}));
    QTest::mouseClick(m_stage->other, Qt::LeftButton);
    QVERIFY(!button->isEditing());
    QCOMPARE(m_stage->page(), QStringLiteral("buttonPage"));

    // The fingers go on typing into the other field.
    QVERIFY(Fingers().play({"+Q", "-Q"}));
    QCOMPARE(m_stage->other->text(), QStringLiteral("q"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Ctrl+Right"));
}

void TestShortcutButton::keysDuringACaptureReachNothingElse()
{
    // An application-wide shortcut on the very keys being captured.
    QShortcut shortcut(keys(QStringLiteral("Ctrl+H")), &m_stage->dialog);
    shortcut.setContext(Qt::ApplicationShortcut);
    QSignalSpy fired(&shortcut, &QShortcut::activated);

    QVERIFY(m_stage->startCapture());
    QVERIFY(Fingers().type(QStringLiteral("Ctrl+H")));
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Ctrl+H"));
    QCOMPARE(fired.count(), 0);

    // Outside a capture the same keys are the shortcut's again.
    m_stage->other->setFocus();
    QVERIFY(Fingers().type(QStringLiteral("Ctrl+H")));
    QCOMPARE(fired.count(), 1);

    // Escape and Return are captured, not handed to the dialog.
    QVERIFY(m_stage->startCapture());
    QVERIFY(Fingers().type(QStringLiteral("Esc")));
    QVERIFY(m_stage->startCapture());
    QVERIFY(Fingers().type(QStringLiteral("Return")));
    QVERIFY(m_stage->dialog.isVisible());
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Return"));
}

void TestShortcutButton::defaultAndResetSignals()
{
    ShortcutButton *button = m_stage->button;
    QSignalSpy changed(button, &ShortcutButton::hotKeyChanged);

    button->setDefaultKeySequence(keys(QStringLiteral("Alt+Left")));
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Alt+Left"));
    QVERIFY(button->keySequence().isEmpty());
    button->resetToDefault();
    QCOMPARE(changed.count(), 0);

    button->setKeySequence(keys(QStringLiteral("Ctrl+J")));
    button->setKeySequence(keys(QStringLiteral("Ctrl+J")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Ctrl+J"));

    button->resetToDefault();
    QCOMPARE(changed.count(), 2);
    QVERIFY(changed.last().first().value<QKeySequence>().isEmpty());
    QCOMPARE(m_stage->pushButton()->text(), QStringLiteral("Alt+Left"));
    QCOMPARE(button->effectiveKeySequence(), keys(QStringLiteral("Alt+Left")));
}

LINKORA_TEST_MAIN(TestShortcutButton)

#include "tst_shortcutbutton.moc"
