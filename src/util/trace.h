#ifndef TRACE_H
#define TRACE_H

#include <QDebug>
#include <QString>
#include <QStringList>

// Trace lines: every component writes through Qt's debug stream with a header
// naming the function, the source file and the line, e.g.
//   "[TRACE]: Application::initUI@src\application:42:" 750
// The header is written in double quotes with its backslashes as they are;
// the items that follow keep Qt's usual formatting.
namespace Trace {

// "void Foo::bar(int) const" -> "Foo::bar"; lambdas give their enclosing function.
QString functionName(const char *prettyFunction);
// "src/util/tracelog.cpp" -> "src\util\tracelog"
QString sourcePath(const char *file);
// "%1@%2:%3:" prefixed by the kind, e.g. "[TRACE]: "
QString header(const char *kind, const char *prettyFunction, const char *file, int line);
// Streams the header quoted but unescaped and returns the stream in quoting mode.
QDebug start(QDebug stream, const QString &header);
// A short id for a text that must not reach the log (a contact's nick, which
// holds its name and number; a group's name): the same text gives the same
// id for the whole run, and another run gives another, so the id tells
// entries apart without giving the text away, e.g. "#3fa91c2e".
QString tag(const QString &text);
// The ids of each text, in order.
QStringList tags(const QStringList &texts);

} // namespace Trace

#define TRACE Trace::start(qDebug(), Trace::header("[TRACE]: ", Q_FUNC_INFO, __FILE__, __LINE__))
#define TRACE_WARNING Trace::start(qDebug(), Trace::header("[WARNING]: ", Q_FUNC_INFO, __FILE__, __LINE__))
#define TRACE_ERROR Trace::start(qDebug(), Trace::header("[ERROR]: ", Q_FUNC_INFO, __FILE__, __LINE__))
// A handler that exists but does nothing yet; the header is the whole message.
#define TRACE_NOTIMPL qWarning().noquote() << Trace::header("NOTIMPL: ", Q_FUNC_INFO, __FILE__, __LINE__)

// Passwords never reach the log.
#define TRACE_PASSWORD_MASK QStringLiteral("********")

#endif // TRACE_H
