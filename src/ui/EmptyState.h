#pragma once

#include <QString>
#include <QWidget>
#include <string>

class QLabel;

namespace tarnwick {

class SymbolLabel;

// A pane with nothing to list: a large symbol, a title and a line of explanation, centred.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    EmptyState(const QString& title, std::string symbol, const QString& message, QWidget* parent = nullptr);

    void setContent(const QString& title, std::string symbol, const QString& message);

    QString title() const;
    const std::string& symbol() const { return symbol_; }
    QString message() const;

private:
    std::string symbol_;
    SymbolLabel* symbolLabel_;
    QLabel* titleLabel_;
    QLabel* messageLabel_;
};

} // namespace tarnwick
