#include "ui/ProPreviews.h"

#include "ui/SymbolLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/Workspace.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

constexpr const char* proBadge = "PRO";
constexpr const char* previewNote = "This preview does not scan or remove any files.";
constexpr const char* liveUpdateText = "Live update from Ventrel";
constexpr const char* downloadHelp = "Open the official Tarnwick Pro download page";

// Offer texts come from a web server: always plain text, never markup.
QLabel* textLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

QString colorName(const QColor& color) {
    return color.name(QColor::HexArgb);
}

} // namespace

ProSidebarPreview::ProSidebarPreview(AppListFilter mode, QWidget* parent)
    : QWidget(parent)
    , mode_(mode) {
    const bool junk = mode == AppListFilter::junk;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(14);
    layout->addStretch(1);
    layout->addWidget(
        new SymbolLabel(junk ? "sparkles.rectangle.stack" : "doc.on.doc", 34, Theme::blue(), this), 0,
        Qt::AlignHCenter);
    layout->addWidget(textLabel(QString::fromUtf8(rawValue(mode)),
                                Theme::font(Theme::TextStyle::body, QFont::DemiBold), this));

    auto* available = textLabel(QStringLiteral("Available in Pro"),
                                Theme::font(Theme::TextStyle::caption, QFont::DemiBold), this);
    available->setStyleSheet(
        QStringLiteral("color: %1; background: %2; border-radius: 10px; padding: 5px 10px;")
            .arg(colorName(Theme::blue()), colorName(Theme::withOpacity(Theme::blue(), 0.1))));
    available->setWordWrap(false);
    layout->addWidget(available, 0, Qt::AlignHCenter);

    auto* line = textLabel(junk ? QStringLiteral("Clean temporary and unnecessary files safely.")
                                : QStringLiteral("Find duplicate files by their actual content."),
                           Theme::font(Theme::TextStyle::caption), this);
    Theme::useSecondaryText(line);
    layout->addWidget(line);
    layout->addStretch(1);
}

ProFeatureView::Feature ProFeatureView::featureFor(AppListFilter mode) {
    if (mode == AppListFilter::duplicates) {
        return {"Duplicate Finder",
                "Duplicate file detection is coming in Tarnwick Pro.",
                "doc.on.doc.fill",
                {"Content-based duplicate detection", "Photo, video and document groups",
                 "Review every file before removal"}};
    }
    return {"Junk Cleaner",
            "Deep system cleanup is coming in Tarnwick Pro.",
            "sparkles.rectangle.stack.fill",
            {"Application and system caches", "Temporary files and old logs", "Safe review before cleanup"}};
}

ProFeatureView::ProFeatureView(AppListFilter mode, OfferRequest request, Workspace& workspace,
                               QWidget* parent)
    : QWidget(parent)
    , feature_(featureFor(mode))
    , request_(std::move(request))
    , workspace_(workspace)
    , title_(textLabel({}, Theme::font(Theme::TextStyle::title, QFont::Bold), this))
    , badge_(textLabel({}, Theme::font(Theme::TextStyle::caption, QFont::Bold), this))
    , subtitle_(textLabel({}, Theme::font(Theme::TextStyle::title3), this))
    , download_(new QPushButton(this))
    , note_(textLabel(QString::fromUtf8(previewNote), Theme::font(Theme::TextStyle::caption), this))
    , liveUpdate_(new QWidget(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(18);
    column->addStretch(1);

    auto* tile = new QFrame(this);
    tile->setObjectName(QStringLiteral("featureTile"));
    tile->setFixedSize(92, 92);
    tile->setStyleSheet(QStringLiteral("#featureTile { background: %1; border-radius: 24px; }")
                            .arg(colorName(Theme::withOpacity(Theme::blue(), 0.1))));
    auto* tileLayout = new QVBoxLayout(tile);
    tileLayout->setContentsMargins(0, 0, 0, 0);
    tileLayout->addWidget(new SymbolLabel(feature_.symbol, 54, Theme::blue(), tile), 0, Qt::AlignCenter);
    column->addWidget(tile, 0, Qt::AlignHCenter);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(9);
    heading->addStretch(1);
    title_->setWordWrap(false);
    heading->addWidget(title_);
    badge_->setWordWrap(false);
    badge_->setStyleSheet(
        QStringLiteral("color: white; background: %1; border-radius: 9px; padding: 4px 8px;")
            .arg(colorName(Theme::blue())));
    heading->addWidget(badge_, 0, Qt::AlignVCenter);
    heading->addStretch(1);
    column->addLayout(heading);
    Theme::useSecondaryText(subtitle_);
    column->addWidget(subtitle_);

    panel_ = new QFrame(this);
    QFrame* panel = panel_;
    panel->setObjectName(QStringLiteral("featurePanel"));
    auto* points = new QVBoxLayout(panel);
    points->setContentsMargins(20, 20, 20, 20);
    points->setSpacing(10);
    for (const std::string& point : feature_.features) {
        auto* row = new QHBoxLayout;
        row->addWidget(new SymbolLabel("checkmark.circle.fill", 16, Theme::green(), panel));
        auto* text = new QLabel(QString::fromStdString(point), panel);
        text->setTextFormat(Qt::PlainText);
        row->addWidget(text, 1);
        points->addLayout(row);
    }
    column->addWidget(panel, 0, Qt::AlignHCenter);

    download_->setIcon(Symbols::icon("arrow.down.circle.fill"));
    download_->setIconSize(QSize(18, 18));
    download_->setToolTip(QString::fromUtf8(downloadHelp));
    download_->setMinimumWidth(170);
    download_->setMinimumHeight(36);
    download_->setDefault(true);
    connect(download_, &QPushButton::clicked, this, [this] {
        if (remoteOffer_) {
            if (const std::optional<std::string> link = remoteOffer_->safeDownloadURL()) {
                workspace_.openWebAddress(QUrl(QString::fromStdString(*link)));
            }
        }
    });
    column->addWidget(download_, 0, Qt::AlignHCenter);
    Theme::useSecondaryText(note_);
    column->addWidget(note_);

    auto* live = new QHBoxLayout(liveUpdate_);
    live->setContentsMargins(0, 0, 0, 0);
    live->addStretch(1);
    live->addWidget(new SymbolLabel("network", 12, QColor(), liveUpdate_));
    auto* liveText =
        textLabel(QString::fromUtf8(liveUpdateText), Theme::font(Theme::TextStyle::caption), liveUpdate_);
    liveText->setWordWrap(false);
    Theme::useSecondaryText(liveText);
    live->addWidget(liveText);
    live->addStretch(1);
    column->addWidget(liveUpdate_);
    column->addStretch(1);

    restyle();
    present();
}

void ProFeatureView::restyle() {
    panel_->setStyleSheet(QStringLiteral("#featurePanel { background: %1; border-radius: 16px; }")
                              .arg(colorName(Theme::withOpacity(Theme::primary(this), 0.05))));
}

void ProFeatureView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        restyle(); // the panel is tinted with the text colour, which a change to dark turns light
    }
}

void ProFeatureView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (request_) {
        request_(this, [view = QPointer<ProFeatureView>(this)](std::optional<ProOffer> offer) {
            if (view) {
                view->setRemoteOffer(std::move(offer));
            }
        });
    }
}

void ProFeatureView::setRemoteOffer(std::optional<ProOffer> offer) {
    remoteOffer_ = std::move(offer);
    present();
}

void ProFeatureView::present() {
    title_->setText(QString::fromStdString(remoteOffer_ ? remoteOffer_->title : feature_.title));
    badge_->setText(remoteOffer_ ? QString::fromStdString(remoteOffer_->badge) : QString::fromUtf8(proBadge));
    subtitle_->setText(QString::fromStdString(remoteOffer_ ? remoteOffer_->message : feature_.subtitle));
    const bool downloadable = remoteOffer_ && remoteOffer_->safeDownloadURL();
    if (downloadable) {
        download_->setText(QString::fromStdString(remoteOffer_->buttonTitle));
    }
    download_->setVisible(downloadable);
    note_->setVisible(!downloadable);
    liveUpdate_->setVisible(remoteOffer_.has_value());
}

QString ProFeatureView::headingTitle() const {
    return title_->text();
}

QString ProFeatureView::badgeText() const {
    return badge_->text();
}

QString ProFeatureView::subtitle() const {
    return subtitle_->text();
}

QPushButton* ProFeatureView::downloadButton() const {
    return download_->isVisibleTo(this) ? download_ : nullptr;
}

QString ProFeatureView::note() const {
    return note_->isVisibleTo(this) ? note_->text() : QString();
}

bool ProFeatureView::showsLiveUpdate() const {
    return liveUpdate_->isVisibleTo(this);
}

} // namespace tarnwick
