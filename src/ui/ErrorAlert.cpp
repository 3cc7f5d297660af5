#include "ui/ErrorAlert.h"

#include "store/CleanerStore.h"
#include "ui/Theme.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr int messageWidth = 420;
constexpr int longestMessageHeight = 320;

} // namespace

ErrorAlert::ErrorAlert(CleanerStore& store, QWidget* window)
    : QDialog(window)
    , store_(store)
    , message_(new QLabel) {
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
    auto* scroll = new QScrollArea;
    scroll->setWidget(message_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMaximumHeight(longestMessageHeight);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    // Return dismisses the alert wherever its keyboard focus is, the message's scroll area included.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(scroll);
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
    if (!isVisible()) {
        open();
    }
}

} // namespace tarnwick
