#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace tarnwick {

// A borderless search line: a magnifying glass, the text, and a clear button while there is text.
class SearchField : public QWidget {
    Q_OBJECT

public:
    explicit SearchField(const QString& prompt, QWidget* parent = nullptr);

    QString text() const;
    // Sets the text without echoing it back through `textEdited`.
    void setText(const QString& text);
    QString prompt() const;
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* clearButton() const { return clear_; }

signals:
    // The user changed the text (typing or the clear button).
    void textEdited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshSymbols();

    QLabel* glass_;
    QLineEdit* edit_;
    QToolButton* clear_;
};

} // namespace tarnwick
