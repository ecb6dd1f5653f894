#ifndef IMPORTCONTACTS_FORMSCRAPER_H
#define IMPORTCONTACTS_FORMSCRAPER_H

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// Reading the provider's sign-in and consent pages: forms, their fields and
// the few marks the importers look for. Pages come from the network, so
// every scan is linear in the page's length whatever it holds: tags are found
// with plain searches, not with patterns that can backtrack. Attribute names
// are matched whole, their values may be double-, single- or unquoted, and
// HTML character references in values are decoded.
namespace NetUtil {

// Capture n of the first match of the pattern (0 is the whole match); empty
// when there is none.
QString regexCapture(const QString &text, const QString &pattern, int n);
// Capture n of every match, each search going on from the end of the last
// one; an empty match ends the scan.
QStringList regexCaptureAll(const QString &text, const QString &pattern, int n);

// "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" and numeric references; other
// text is kept as it is.
QString decodeEntities(const QString &text);

// The attributes of one tag's attribute text in order, names in lower case,
// values decoded; an attribute without a value has an empty one.
QList<QPair<QString, QString>> parseAttributes(const QString &attributes);

// Every complete form element of the page (from "<form" to its "</form>"),
// in page order.
QStringList getForms(const QString &page);
// The first of them, or empty.
QString getForm(const QString &page);
// The first form holding a password field, or empty.
QString getLoginForm(const QString &page);
// Every complete script element.
QStringList getScripts(const QString &page);
// The action attribute of the form's own tag, decoded.
QString getFormAction(const QString &form);
// The attribute text of each input tag of the form, in order.
QStringList getInputs(const QString &form);

// The fields a browser would post, keyed by name (else id): a field's value,
// or "true" for an empty one that is checked. Unchecked check boxes and radio
// buttons, buttons other than the first submit button, and inputs without
// name and id are left out; a later field replaces an earlier one of the
// same key.
QMap<QString, QString> parseFormInputs(const QStringList &inputs);

// The provider's sign-in error mark (class "yregertxt"), or empty.
QString getLoginErrorMarker(const QString &page);
// The target of a "window.location.replace(...)" script redirect.
QString getLocationReplaceTarget(const QString &text);
// The raw value of the key in a form-encoded body or a URL's query; the key
// is matched literally and whole.
QString getFormEncodedValue(const QString &text, const QString &key);
// Scheme and host (with port) of the first http(s) URL in the text.
QString getDomain(const QString &text);
// The text of the span with id "shortCode", up to the first "</span>",
// decoded and trimmed.
QString getShortCode(const QString &page);

} // namespace NetUtil

#endif // IMPORTCONTACTS_FORMSCRAPER_H
