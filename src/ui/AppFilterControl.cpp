#include "ui/AppFilterControl.h"

#include "store/CleanerStore.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

namespace {

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string_view symbolOf(AppListFilter filter) {
    switch (filter) {
    case AppListFilter::apps:
        return "app.badge.checkmark";
    case AppListFilter::junk:
        return "sparkles";
    case AppListFilter::duplicates:
        return "doc.on.doc";
    }
    return "app.badge.checkmark";
}

// One mode: symbol and title above a small count or "PRO"; white on blue when chosen.
class ModeButton final : public QAbstractButton {
public:
    ModeButton(AppListFilter filter, QWidget* parent)
        : QAbstractButton(parent)
        , filter_(filter) {
        setCheckable(true);
        setAutoExclusive(true);
        setToolTip(AppFilterControl::tooltip(filter));
        setAccessibleName(AppFilterControl::tooltip(filter));
        setText(AppFilterControl::title(filter));
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void setSecondLine(const QString& line) {
        if (line_ != line) {
            line_ = line;
            setAccessibleDescription(line);
            update();
        }
    }
    const QString& secondLine() const { return line_; }

    QSize sizeHint() const override {
        const QFontMetrics title(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
        const QFontMetrics small(Theme::font(9, QFont::Bold));
        return {title.horizontalAdvance(text()) + 12 + 18, title.height() + small.height() + 2 + 12};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool chosen = isChecked();
        const QColor ink = chosen ? QColor(Qt::white) : Theme::primary(this);
        QPainterPath plate;
        plate.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        if (chosen) {
            painter.fillPath(plate, Theme::blue());
        } else if (underMouse()) {
            painter.fillPath(plate, Theme::withOpacity(Theme::primary(this), 0.06));
        }
        if (hasFocus()) {
            painter.setPen(QPen(Theme::withOpacity(Theme::blue(), 0.6), 2));
            painter.drawPath(plate);
        }

        const QFont titleFont = Theme::font(Theme::TextStyle::caption, QFont::DemiBold);
        const QFont smallFont = Theme::font(9, QFont::Bold);
        const QFontMetrics titleMetrics(titleFont);
        const QFontMetrics smallMetrics(smallFont);
        const int symbolSide = titleMetrics.height() - 2;
        const int titleWidth = symbolSide + 4 + titleMetrics.horizontalAdvance(text());
        const QRect content = rect().adjusted(6, 6, -6, -6);
        const int firstTop =
            content.top() + (content.height() - titleMetrics.height() - 2 - smallMetrics.height()) / 2;
        const int left = content.left() + qMax(0, (content.width() - titleWidth) / 2);
        painter.drawPixmap(
            QPoint(left, firstTop + 1),
            Symbols::pixmap(symbolOf(filter_), symbolSide, ink, painter.device()->devicePixelRatioF()));
        painter.setFont(titleFont);
        painter.setPen(ink);
        painter.drawText(QRect(left + symbolSide + 4, firstTop, content.right() - left - symbolSide - 3,
                               titleMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         titleMetrics.elidedText(text(), Qt::ElideRight, content.width()));
        painter.setFont(smallFont);
        painter.setPen(Theme::withOpacity(ink, 0.72));
        painter.drawText(QRect(content.left(), firstTop + titleMetrics.height() + 2, content.width(),
                               smallMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter, line_);
    }

private:
    AppListFilter filter_;
    QString line_;
};

} // namespace

AppFilterControl::AppFilterControl(CleanerStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        const AppListFilter filter = allAppListFilters[position];
        auto* button = new ModeButton(filter, this);
        button->setObjectName(QStringLiteral("mode-") + qt(rawValue(filter)));
        buttons_[position] = button;
        layout->addWidget(button, 1);
        connect(button, &QAbstractButton::clicked, this, [this, filter] { store_.switchMode(filter); });
    }
    connect(&store_.appList(), &AppListState::filterChanged, this, &AppFilterControl::refresh);
    connect(&store_.appList(), &AppListState::appsChanged, this, [this](const ListChange& change) {
        // A size arriving does not change how many applications there are.
        if (change.kind != ListChange::Kind::changed) {
            refresh();
        }
    });
    refresh();
}

QAbstractButton* AppFilterControl::button(AppListFilter filter) const {
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        if (allAppListFilters[position] == filter) {
            return buttons_[position];
        }
    }
    return nullptr;
}

QString AppFilterControl::title(AppListFilter filter) {
    return filter == AppListFilter::junk ? tr("Junk") : qt(rawValue(filter));
}

QString AppFilterControl::tooltip(AppListFilter filter) {
    if (filter == AppListFilter::apps) {
        return tr("Browse installed applications");
    }
    return tr("Preview ") + qt(rawValue(filter)) + tr(" Pro");
}

void AppFilterControl::refresh() {
    const QString installed = QString::number(store_.appList().installedCount());
    for (std::size_t position = 0; position < allAppListFilters.size(); ++position) {
        const AppListFilter filter = allAppListFilters[position];
        auto* button = static_cast<ModeButton*>(buttons_[position]);
        button->setChecked(filter == store_.appList().filter());
        button->setSecondLine(filter == AppListFilter::apps ? installed : QStringLiteral("PRO"));
    }
}

} // namespace tarnwick
