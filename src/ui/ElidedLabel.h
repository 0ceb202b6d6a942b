#pragma once

#include <QLabel>

// One line of text that gives up width gracefully: when narrower than its text it ends in "…"
// and shows the whole text as its tooltip, so a long name never pushes its neighbours away.
// Assistive technology always reads the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString fullText_;
};
