#ifndef LINKORA_UI_ELIDEDLABEL_H
#define LINKORA_UI_ELIDEDLABEL_H

#include <QLabel>
#include <QString>

// A one-line label for plain text, such as a name, that may be wider than the
// room it gets: the text is cut at its end with an ellipsis, so that its
// beginning always shows, and the whole of it goes in the tooltip. It asks
// the layout for the width of the whole text but makes do with less. Text
// whose end tells as much as its beginning (an e-mail address) can be cut
// in the middle instead.
class ElidedLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(ElidedLabel)
    Q_PROPERTY(QString fullText READ fullText WRITE setFullText)

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }
    // Where the text is cut; Qt::ElideRight unless set.
    void setElideMode(Qt::TextElideMode mode);
    Qt::TextElideMode elideMode() const { return m_elideMode; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The width around the text: margins, frame and indent.
    int horizontalPadding() const;
    // How far in from its aligned side the text is drawn.
    int textIndent() const;
    int lineHeight() const;
    void showElided();

    QString m_fullText;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
};

#endif // LINKORA_UI_ELIDEDLABEL_H
