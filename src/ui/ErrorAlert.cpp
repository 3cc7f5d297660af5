#include "ui/ErrorAlert.h"

#include "store/CleanerStore.h"
#include "ui/Theme.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace tarnwick {

namespace {

constexpr int messageWidth = 420;
constexpr int longestMessageHeight = 320;

} // namespace

ErrorAlert::ErrorAlert(CleanerStore& store, QWidget* window)
    : QDialog(window)
    , store_(store)
    , message_(new QLabel)
    , scroll_(new QScrollArea) {
    setWindowTitle(QString::fromUtf8(title));
    setWindowModality(Qt::WindowModal);

    auto* heading = new QLabel(QString::fromUtf8(title));
    heading->setFont(Theme::font(Theme::TextStyle::body, QFont::Bold));

    // Messages carry paths and names from the disk: never read as markup.
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->setObjectName(QStringLiteral("alertMessage"));
    message_->setFixedWidth(messageWidth);
    scroll_->setWidget(message_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the message and, when it is long, for the scroll bar beside it: no line is cut off.
    scroll_->setFixedWidth(messageWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    // Return dismisses the alert wherever its keyboard focus is, the message's scroll area included.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(scroll_);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(this, &QDialog::finished, this, [this] {
        if (store_.errorMessage()) {
            store_.setErrorMessage(std::nullopt);
        }
    });
    connect(&store_, &CleanerStore::errorMessageChanged, this, &ErrorAlert::follow);
}

QString ErrorAlert::message() const {
    return message_->text();
}

void ErrorAlert::follow() {
    if (!store_.errorMessage()) {
        if (isVisible()) {
            done(QDialog::Accepted);
        }
        return;
    }
    message_->setText(QString::fromStdString(*store_.errorMessage()));
    message_->adjustSize();
    // As tall as the message, up to a height beyond which it scrolls.
    scroll_->setFixedHeight(std::min(message_->heightForWidth(messageWidth), longestMessageHeight));
    adjustSize();
    if (!isVisible()) {
        open();
    }
}

} // namespace tarnwick
