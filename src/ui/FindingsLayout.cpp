#include "ui/FindingsLayout.h"

#include "residuals/MatchConfidence.h"
#include "ui/Badge.h"
#include "ui/FindingsModel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QCoreApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <vector>

namespace tarnwick {
namespace {

using Kind = FindingsModel::RowKind;
using Part = FindingsLayout::Part;

constexpr int sectionHeight = 40;
constexpr int findingHeight = 58;
constexpr int reasonHeight = 16;
constexpr int childHeight = 24;
constexpr int noteHeight = 22;
constexpr int metadataHeight = 42;
constexpr int buttonSide = 22;
constexpr int detailLineHeight = 18;
constexpr int detailLabelWidth = 76;
constexpr int childIndent = 94;
constexpr int blockIndent = 44;
constexpr int margin = 10;
// Above the detail lines: the reason and what the confidence means.
constexpr int blockHeading = 44;
constexpr int blockPadding = 10;
// Around the details block.
constexpr int blockGapAbove = 6;
constexpr int blockGapBelow = 8;

// Sizes line up in a column when every digit is as wide as the others.
QFont withTabularDigits(QFont font) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    font.setFeature(QFont::Tag("tnum"), 1);
#endif
    return font;
}

QColor confidenceColor(int confidence) {
    switch (static_cast<MatchConfidence>(confidence)) {
    case MatchConfidence::exact:
        return Theme::green();
    case MatchConfidence::verified:
        return Theme::blue();
    case MatchConfidence::possible:
        break;
    }
    return Theme::orange();
}

void drawSymbol(QPainter& painter, std::string_view name, const QRect& area, const QColor& color,
                qreal rotation = 0) {
    const int side = std::min(area.width(), area.height());
    const QPixmap pixmap = Symbols::pixmap(name, side, color, painter.device()->devicePixelRatioF());
    painter.save();
    painter.translate(area.center() + QPointF(0.5, 0.5));
    painter.rotate(rotation);
    painter.drawPixmap(QRectF(-side / 2.0, -side / 2.0, side, side), pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

void drawText(QPainter& painter, const QRect& area, const QString& text, const QFont& font,
              const QColor& color, Qt::TextElideMode elide = Qt::ElideRight,
              int alignment = Qt::AlignVCenter | Qt::AlignLeft) {
    painter.setFont(font);
    painter.setPen(color);
    // Measured to the fraction of a pixel: a text that fits is never cut for a width rounded down.
    const QFontMetricsF metrics(font);
    const bool fits = elide == Qt::ElideNone || metrics.horizontalAdvance(text) <= area.width() + 0.5;
    painter.drawText(area, alignment, fits ? text : metrics.elidedText(text, elide, area.width()));
}

struct DetailLine {
    QString label;
    QString value;
};

std::vector<DetailLine> detailLines(const QModelIndex& index, const FindingDetails& details) {
    std::vector<DetailLine> lines{
        {FindingsLayout::tr("Full path"), index.data(FindingsModel::pathRole).toString()},
        {FindingsLayout::tr("Type"),
         details.isDirectory ? FindingsLayout::tr("Folder") : FindingsLayout::tr("File")},
        {FindingsLayout::tr("Category"), index.data(FindingsModel::categoryNameRole).toString()},
        {FindingsLayout::tr("Size"), index.data(FindingsModel::sizeTextRole).toString()},
    };
    if (!details.modified.isEmpty()) {
        lines.push_back({FindingsLayout::tr("Modified"), details.modified});
    }
    return lines;
}

// The listing above the details block: a note while it is read or when a folder shows nothing, else a line
// per child and one for those left out.
int listingHeight(const FindingDetails& details) {
    if (!details.isRead) {
        return noteHeight;
    }
    if (!details.isDirectory) {
        return 0;
    }
    const int children =
        details.children.isEmpty() ? noteHeight : static_cast<int>(details.children.size()) * childHeight;
    return children + (details.hiddenCount > 0 ? noteHeight : 0);
}

int blockHeight(const FindingDetails& details, bool possible) {
    const int lines = 4 + (details.modified.isEmpty() ? 0 : 1) + (possible ? 1 : 0);
    return blockPadding + blockHeading + lines * detailLineHeight + blockPadding;
}

FindingDetails detailsOf(const QModelIndex& index) {
    return index.data(FindingsModel::detailsRole).value<FindingDetails>();
}

} // namespace

FindingsLayout::FindingsLayout(const QModelIndex& index, const QRect& rect, bool expanded)
    : index_(index)
    , kind_(index.data(FindingsModel::kindRole).toInt())
    , rect_(rect)
    , expanded_(expanded) {
    switch (static_cast<Kind>(kind_)) {
    case Kind::category:
    case Kind::information:
        height_ = sectionHeight;
        break;
    case Kind::finding:
        height_ = findingHeight + (isPossible() ? reasonHeight : 0);
        break;
    case Kind::details: {
        const FindingDetails details = detailsOf(index_);
        height_ = listingHeight(details) + blockGapAbove + blockHeight(details, isPossible()) + blockGapBelow;
        break;
    }
    case Kind::metadata:
        height_ = metadataHeight;
        break;
    }
    rect_.setHeight(height_);
}

bool FindingsLayout::isPossible() const {
    return index_.data(FindingsModel::confidenceRole).toInt() == rawValue(MatchConfidence::possible);
}

QRect FindingsLayout::frame() const {
    return rect_.adjusted(6, 4, -6, -4);
}

QRect FindingsLayout::checkbox() const {
    if (static_cast<Kind>(kind_) == Kind::category) {
        return QRect(frame().left() + 8, frame().center().y() - buttonSide / 2, buttonSide, buttonSide);
    }
    return QRect(rect_.left() + 14, rect_.top() + (findingHeight - buttonSide) / 2, buttonSide, buttonSide);
}

QRect FindingsLayout::revealButton() const {
    return QRect(rect_.right() - margin - buttonSide, rect_.top() + (findingHeight - buttonSide) / 2,
                 buttonSide, buttonSide);
}

QRect FindingsLayout::expandButton() const {
    return revealButton().translated(-(buttonSide + 6), 0);
}

FindingsLayout::Part FindingsLayout::partAt(const QPoint& point) const {
    switch (static_cast<Kind>(kind_)) {
    case Kind::category:
        if (checkbox().adjusted(-4, -4, 4, 4).contains(point)) {
            return Part::checkbox;
        }
        [[fallthrough]];
    case Kind::information:
        return frame().contains(point) ? Part::disclosure : Part::none;
    case Kind::finding:
        if (checkbox().adjusted(-4, -4, 4, 4).contains(point)) {
            return Part::checkbox;
        }
        if (expandButton().adjusted(-2, -4, 2, 4).contains(point)) {
            return Part::disclosure;
        }
        return revealButton().adjusted(-2, -4, 2, 4).contains(point) ? Part::reveal : Part::none;
    case Kind::details:
    case Kind::metadata:
        break;
    }
    return Part::none;
}

QString FindingsLayout::toolTip(Part part) const {
    const QString name = index_.data().toString();
    const bool finding = static_cast<Kind>(kind_) == Kind::finding;
    switch (part) {
    case Part::checkbox:
        if (finding) {
            break;
        }
        return (index_.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked
                    ? FindingsLayout::tr("Deselect all in %1")
                    : FindingsLayout::tr("Select all in %1"))
            .arg(name);
    case Part::disclosure:
        if (finding) {
            return expanded_ ? FindingsLayout::tr("Hide details") : FindingsLayout::tr("Show details");
        }
        return (expanded_ ? FindingsLayout::tr("Hide %1") : FindingsLayout::tr("Show %1")).arg(name);
    case Part::reveal:
        return FindingsLayout::tr("Show in Finder");
    case Part::none:
        return index_.data(Qt::ToolTipRole).toString();
    }
    return {};
}

void FindingsLayout::paint(QPainter& painter, const QWidget* widget) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (static_cast<Kind>(kind_)) {
    case Kind::category:
        paintCategory(painter, widget);
        break;
    case Kind::finding:
        paintFinding(painter, widget);
        break;
    case Kind::details:
        paintDetails(painter, widget);
        break;
    case Kind::information:
        paintInformation(painter, widget);
        break;
    case Kind::metadata:
        paintMetadata(painter, widget);
        break;
    }
    painter.restore();
}

void FindingsLayout::paintSectionFrame(QPainter& painter, const QWidget* widget) const {
    const QColor accent = widget != nullptr ? widget->palette().color(QPalette::Highlight) : Theme::blue();
    painter.setPen(QPen(Theme::withOpacity(accent, 0.12), 1));
    painter.setBrush(Theme::withOpacity(accent, 0.075));
    painter.drawRoundedRect(QRectF(frame()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

int FindingsLayout::paintSectionLead(QPainter& painter, const QWidget* widget, int x) const {
    const QRect area = frame();
    drawSymbol(painter, "chevron.down", QRect(x, area.center().y() - 5, 10, 10), Theme::secondary(widget),
               expanded_ ? 0 : -90);
    x += 18;
    drawSymbol(painter, index_.data(FindingsModel::symbolRole).toString().toStdString(),
               QRect(x, area.center().y() - 8, 16, 16), Theme::primary(widget));
    return x + 24;
}

void FindingsLayout::paintCategory(QPainter& painter, const QWidget* widget) const {
    paintSectionFrame(painter, widget);
    const auto state = index_.data(Qt::CheckStateRole).value<Qt::CheckState>();
    const char* box = state == Qt::Checked            ? "checkmark.square.fill"
                      : state == Qt::PartiallyChecked ? "minus.square.fill"
                                                      : "square";
    drawSymbol(painter, box, checkbox().adjusted(2, 2, -2, -2),
               state == Qt::Unchecked ? Theme::secondary(widget) : Theme::blue());

    const QRect area = frame();
    const int x = paintSectionLead(painter, widget, checkbox().right() + 12);
    const QString summary = index_.data(FindingsModel::summaryRole).toString();
    const QFont summaryFont = Theme::font(Theme::TextStyle::caption, QFont::Medium);
    const int summaryWidth = QFontMetrics(summaryFont).horizontalAdvance(summary);
    const QRect summaryArea(area.right() - 12 - summaryWidth, area.top(), summaryWidth, area.height());
    drawText(painter, summaryArea, summary, summaryFont, Theme::secondary(widget), Qt::ElideNone,
             Qt::AlignVCenter | Qt::AlignRight);
    drawText(painter, QRect(x, area.top(), summaryArea.left() - 8 - x, area.height()),
             index_.data().toString(), Theme::font(Theme::TextStyle::body, QFont::DemiBold),
             Theme::primary(widget));
}

void FindingsLayout::paintFinding(QPainter& painter, const QWidget* widget) const {
    const QColor secondary = Theme::secondary(widget);
    const bool chosen = index_.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    drawSymbol(painter, chosen ? "checkmark.circle.fill" : "circle", checkbox().adjusted(1, 1, -1, -1),
               chosen ? Theme::blue() : secondary);
    index_.data(Qt::DecorationRole)
        .value<QIcon>()
        .paint(&painter, QRect(rect_.left() + 44, rect_.top() + (findingHeight - 34) / 2, 34, 34));
    drawSymbol(painter, "chevron.right", expandButton().adjusted(5, 5, -5, -5), secondary,
               expanded_ ? 90 : 0);
    drawSymbol(painter, "magnifyingglass", revealButton().adjusted(3, 3, -3, -3), secondary);

    // The size, in digits of equal width, right-aligned before the buttons.
    const QString size = index_.data(FindingsModel::sizeTextRole).toString();
    const QFont sizeFont = withTabularDigits(Theme::font(Theme::TextStyle::body));
    const int sizeWidth = std::max(70, QFontMetrics(sizeFont).horizontalAdvance(size));
    const QRect sizeArea(expandButton().left() - 10 - sizeWidth, rect_.top(), sizeWidth, findingHeight);
    drawText(painter, sizeArea, size, sizeFont, Theme::primary(widget), Qt::ElideNone,
             Qt::AlignVCenter | Qt::AlignRight);

    // The name with the confidence badge, the path, and for a merely possible match why it was found.
    const bool possible = isPossible();
    const int textLeft = rect_.left() + 88;
    const int textWidth = sizeArea.left() - 12 - textLeft;
    int y = rect_.top() + (possible ? 8 : 12);
    const QString badgeText = index_.data(FindingsModel::confidenceTitleRole).toString();
    const QSize badge = Badge::sizeFor(badgeText);
    const QFont nameFont = Theme::font(Theme::TextStyle::body, QFont::Medium);
    const QString name = QFontMetrics(nameFont).elidedText(index_.data().toString(), Qt::ElideMiddle,
                                                           std::max(0, textWidth - badge.width() - 8));
    const int nameWidth = QFontMetrics(nameFont).horizontalAdvance(name);
    drawText(painter, QRect(textLeft, y, nameWidth + 2, 18), name, nameFont, Theme::primary(widget),
             Qt::ElideNone);
    Badge::paint(painter, QPoint(textLeft + nameWidth + 8, y + (18 - badge.height()) / 2), badgeText,
                 confidenceColor(index_.data(FindingsModel::confidenceRole).toInt()));
    y += 20;
    drawText(painter, QRect(textLeft, y, textWidth, 14), index_.data(FindingsModel::pathRole).toString(),
             Theme::font(Theme::TextStyle::caption), secondary, Qt::ElideMiddle);
    if (possible) {
        drawText(painter, QRect(textLeft, y + 16, textWidth, 14),
                 index_.data(FindingsModel::reasonRole).toString(), Theme::font(Theme::TextStyle::caption),
                 Theme::orange());
    }
}

void FindingsLayout::paintDetails(QPainter& painter, const QWidget* widget) const {
    const FindingDetails details = detailsOf(index_);
    const QColor secondary = Theme::secondary(widget);
    const int left = rect_.left() + childIndent;
    const int right = rect_.right() - margin - 6;
    const QFont caption = Theme::font(Theme::TextStyle::caption);
    int y = rect_.top();
    const auto note = [&](const QString& text, const QFont& font) {
        drawText(painter, QRect(left, y, right - left, noteHeight), text, font, secondary);
        y += noteHeight;
    };
    if (!details.isRead) {
        note(FindingsLayout::tr("Reading\u2026"), caption);
    } else if (details.isDirectory) {
        if (details.children.isEmpty()) {
            note(FindingsLayout::tr("Folder is empty or its contents cannot be read."), caption);
        }
        const QFont sizeFont = withTabularDigits(caption);
        for (const FindingDetails::Child& child : details.children) {
            child.icon.paint(&painter, QRect(left, y + 2, 20, 20));
            int nameRight = right;
            if (!child.isDirectory) {
                const int width = QFontMetrics(sizeFont).horizontalAdvance(child.sizeText);
                drawText(painter, QRect(right - width, y, width, childHeight), child.sizeText, sizeFont,
                         secondary, Qt::ElideNone);
                nameRight = right - width - 10;
            }
            drawText(painter, QRect(left + 28, y, nameRight - left - 28, childHeight), child.name,
                     Theme::font(Theme::TextStyle::subheadline), Theme::primary(widget), Qt::ElideMiddle);
            y += childHeight;
        }
        if (details.hiddenCount > 0) {
            note(FindingsLayout::tr("%Ln more item(s)", nullptr, static_cast<int>(details.hiddenCount)),
                 Theme::font(Theme::TextStyle::caption, QFont::Medium));
        }
    }

    // The details block, tinted with the confidence's colour.
    const bool possible = isPossible();
    const QColor color = confidenceColor(index_.data(FindingsModel::confidenceRole).toInt());
    const QRect block(rect_.left() + blockIndent, y + blockGapAbove, right - rect_.left() - blockIndent,
                      blockHeight(details, possible));
    painter.setPen(QPen(Theme::withOpacity(color, 0.18), 1));
    painter.setBrush(Theme::withOpacity(color, 0.07));
    painter.drawRoundedRect(QRectF(block).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    int top = block.top() + blockPadding;
    const int inner = block.left() + 12;
    const int innerWidth = block.right() - 12 - inner;
    drawSymbol(painter, possible ? "exclamationmark.triangle.fill" : "checkmark.shield.fill",
               QRect(inner, top + 2, 18, 18), color);
    drawText(painter, QRect(inner + 26, top, innerWidth - 26, 18),
             index_.data(FindingsModel::reasonRole).toString(),
             Theme::font(Theme::TextStyle::subheadline, QFont::DemiBold), Theme::primary(widget));
    painter.setFont(caption);
    painter.setPen(secondary);
    painter.drawText(QRect(inner + 26, top + 18, innerWidth - 26, 24),
                     Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
                     index_.data(FindingsModel::explanationRole).toString());
    top += blockHeading;
    if (possible) {
        drawText(
            painter, QRect(inner, top, innerWidth, detailLineHeight),
            FindingsLayout::tr("Not selected automatically to protect data shared with other applications."),
            Theme::font(Theme::TextStyle::caption, QFont::Medium), Theme::orange());
        top += detailLineHeight;
    }
    for (const DetailLine& line : detailLines(index_, details)) {
        drawText(painter, QRect(inner, top, detailLabelWidth, detailLineHeight), line.label,
                 Theme::font(Theme::TextStyle::caption, QFont::DemiBold), secondary);
        drawText(painter,
                 QRect(inner + detailLabelWidth, top, innerWidth - detailLabelWidth, detailLineHeight),
                 line.value, caption, Theme::primary(widget), Qt::ElideMiddle);
        top += detailLineHeight;
    }
}

void FindingsLayout::paintInformation(QPainter& painter, const QWidget* widget) const {
    paintSectionFrame(painter, widget);
    const QRect area = frame();
    const int x = paintSectionLead(painter, widget, area.left() + 14);
    drawText(painter, QRect(x, area.top(), area.right() - 40 - x, area.height()), index_.data().toString(),
             Theme::font(Theme::TextStyle::body, QFont::DemiBold), Theme::primary(widget));
    drawSymbol(painter, "info.circle.fill", QRect(area.right() - 12 - 16, area.center().y() - 8, 16, 16),
               Theme::secondary(widget));
}

void FindingsLayout::paintMetadata(QPainter& painter, const QWidget* widget) const {
    // An empty checkbox-wide space first, so that the icon lines up with the findings' icons.
    const QRect icon(rect_.left() + 46, rect_.top() + (metadataHeight - 30) / 2, 30, 30);
    index_.data(Qt::DecorationRole).value<QIcon>().paint(&painter, icon);
    int x = icon.right() + 10;
    const QFont titleFont = Theme::font(Theme::TextStyle::body, QFont::Medium);
    const QString title = index_.data().toString();
    const int titleWidth =
        std::min(static_cast<int>(std::ceil(QFontMetricsF(titleFont).horizontalAdvance(title))),
                 rect_.right() - x - 10);
    drawText(painter, QRect(x, rect_.top(), titleWidth, rect_.height()), title, titleFont,
             Theme::primary(widget));
    const QString detail = index_.data(FindingsModel::detailRole).toString();
    if (!detail.isEmpty()) {
        x += titleWidth + 6;
        drawText(painter, QRect(x, rect_.top(), rect_.right() - 10 - x, rect_.height()),
                 QStringLiteral("(") + detail + QStringLiteral(")"),
                 Theme::font(Theme::TextStyle::body, QFont::DemiBold), Theme::primary(widget));
    }
}

} // namespace tarnwick
