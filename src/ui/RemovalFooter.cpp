#include "ui/RemovalFooter.h"

#include "catalogue/ByteFormat.h"
#include "ui/ActionButton.h"
#include "ui/SymbolLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnwick {

RemovalFooter::RemovalFooter(QAction* moveToTrash, QWidget* parent)
    : QWidget(parent)
    , count_(Theme::label({}, Theme::font(Theme::TextStyle::caption), this))
    , size_(Theme::label({}, Theme::font(Theme::TextStyle::body, QFont::DemiBold), this))
    // White on the red button, as its text is.
    , button_(new QPushButton(Symbols::icon("trash", Qt::white), QString(), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 10, 20, 12);
    layout->setSpacing(8);
    layout->addWidget(new SymbolLabel("shield.checkered", 16, Theme::green(), this));
    auto* promise =
        Theme::label(tr("Items are reviewed first and moved to Trash \u2014 never permanently deleted."),
                     Theme::font(Theme::TextStyle::caption), this);
    promise->setWordWrap(true);
    layout->addWidget(promise, 1);
    auto* summary = new QVBoxLayout;
    summary->setSpacing(0);
    summary->addWidget(count_, 0, Qt::AlignRight);
    summary->addWidget(size_, 0, Qt::AlignRight);
    layout->addLayout(summary);
    bindToAction(button_, moveToTrash);
    button_->setDefault(false);
    button_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; "
                                          "border-radius: 6px; padding: 6px 14px; font-weight: 600; }"
                                          "QPushButton:disabled { background-color: %2; color: %3; }")
                               .arg(Theme::red().name(),
                                    Theme::withOpacity(Theme::red(), 0.35).name(QColor::HexArgb),
                                    QColor(255, 255, 255, 200).name(QColor::HexArgb)));
    layout->addWidget(button_);
}

void RemovalFooter::showChosen(std::size_t count, std::int64_t bytes) {
    count_->setText(tr("%L1 selected").arg(static_cast<qulonglong>(count)));
    size_->setText(QString::fromStdString(ByteFormat::string(bytes)));
}

} // namespace tarnwick
