#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tarnwick {

class SymbolLabel;

// A borderless search line: a magnifying glass, the text, and a clear button while there is text. Escape
// clears the text; Down, Return or Enter ask to move on to the list the search narrows.
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
    // The user changed the text (typing, Escape or the clear button).
    void textEdited(const QString& text);
    // The user asked to go on to the results.
    void leaveRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clear();

    SymbolLabel* glass_;
    QLineEdit* edit_;
    QToolButton* clear_;
};

} // namespace tarnwick
