#include "ui/ResidualListDelegate.h"

#include "catalogue/ByteFormat.h"
#include "ui/AppIcons.h"
#include "ui/Badge.h"
#include "ui/ResidualListModel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/Workspace.h"

#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace tarnwick {
namespace {

using Kind = ResidualListModel::RowKind;
using Part = ResidualListDelegate::Part;

constexpr int headerHeight = 40;
constexpr int rowLineHeight = 58;
constexpr int reasonHeight = 16;
constexpr int listingLineHeight = 24;
constexpr int noteLineHeight = 22;
constexpr int metadataHeight = 42;
constexpr int buttonSide = 22;
constexpr int detailLineHeight = 18;
constexpr int detailLabelWidth = 76;
constexpr int listingIndent = 94;
constexpr int horizontalMargin = 10;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Sizes line up in a column when every digit is as wide as the others.
QFont withTabularDigits(QFont font) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    font.setFeature(QFont::Tag("tnum"), 1);
#endif
    return font;
}

Kind kindOf(const QModelIndex& index) {
    return static_cast<Kind>(index.data(ResidualListModel::kindRole).toInt());
}

// The part of a row line that the buttons and the text share.
QRect lineRect(const QRect& rect) {
    return QRect(rect.left(), rect.top(), rect.width(), rowLineHeight);
}

QRect checkboxRect(const QRect& rect) {
    return QRect(rect.left() + 14, rect.top() + (rowLineHeight - buttonSide) / 2, buttonSide, buttonSide);
}

QRect revealRect(const QRect& rect) {
    return QRect(rect.right() - horizontalMargin - buttonSide, rect.top() + (rowLineHeight - buttonSide) / 2,
                 buttonSide, buttonSide);
}

QRect expandRect(const QRect& rect) {
    return revealRect(rect).translated(-(buttonSide + 6), 0);
}

QRect headerFrame(const QRect& rect) {
    return rect.adjusted(6, 4, -6, -4);
}

QRect sectionSelectionRect(const QRect& rect) {
    const QRect frame = headerFrame(rect);
    return QRect(frame.left() + 8, frame.center().y() - buttonSide / 2, buttonSide, buttonSide);
}

// The abbreviated date and short time of the user's locale ("Dec 6, 2026 at 20:36" in English).
QString modifiedText(const QDateTime& modified) {
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::LongFormat);
    // The long form less the weekday and with the month's short name is the abbreviated style.
    dateFormat.remove(QStringLiteral("dddd, "))
        .remove(QStringLiteral("dddd "))
        .remove(QStringLiteral("dddd"));
    dateFormat.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    const QDateTime local = modified.toLocalTime();
    return locale.toString(local.date(), dateFormat.trimmed()) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}

struct DetailLine {
    QString label;
    QString value;
};

std::vector<DetailLine> detailLines(const ResidualItem& item, const ResidualListModel::Expansion* expansion) {
    std::vector<DetailLine> lines{
        {QStringLiteral("Full path"), QString::fromStdString(item.url.string())},
        {QStringLiteral("Type"),
         expansion != nullptr && expansion->isDirectory ? QStringLiteral("Folder") : QStringLiteral("File")},
        {QStringLiteral("Category"), qText(rawValue(item.category))},
        {QStringLiteral("Size"), qText(ByteFormat::string(item.size))},
    };
    if (expansion != nullptr && expansion->modified) {
        lines.push_back({QStringLiteral("Modified"), modifiedText(*expansion->modified)});
    }
    return lines;
}

int detailsHeight(const ResidualItem& item, const ResidualListModel::Expansion* expansion) {
    const int warning = item.confidence == MatchConfidence::possible ? detailLineHeight : 0;
    return 10 + 44 + warning + static_cast<int>(detailLines(item, expansion).size()) * detailLineHeight + 10;
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

} // namespace

ResidualListDelegate::ResidualListDelegate(ResidualListModel& model, Workspace& workspace, QListView& view)
    : QStyledItemDelegate(&view)
    , model_(model)
    , workspace_(workspace)
    , view_(view) {
    connect(&model_, &ResidualListModel::rowHeightChanged, this,
            [this](int row) { emit sizeHintChanged(model_.index(row)); });
}

QColor ResidualListDelegate::confidenceColor(MatchConfidence confidence) {
    switch (confidence) {
    case MatchConfidence::exact:
        return Theme::green();
    case MatchConfidence::verified:
        return Theme::blue();
    case MatchConfidence::possible:
        break;
    }
    return Theme::orange();
}

int ResidualListDelegate::expansionHeight(int row) const {
    const ResidualItem* item = model_.item(row);
    const ResidualListModel::Expansion* expansion = model_.expansion(row);
    if (item == nullptr || expansion == nullptr || !expansion->expanded) {
        return 0;
    }
    int height = 0;
    if (!expansion->loaded) {
        height += noteLineHeight;
    } else if (expansion->isDirectory) {
        const auto& listing = expansion->listing;
        height += listing.items.empty() ? noteLineHeight
                                        : static_cast<int>(listing.items.size()) * listingLineHeight;
        height += listing.hiddenCount > 0 ? noteLineHeight : 0;
    }
    return height + 6 + detailsHeight(*item, expansion) + 8;
}

QSize ResidualListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const int width = view_.viewport()->width();
    switch (kindOf(index)) {
    case Kind::categoryHeader:
    case Kind::informationHeader:
        return {width, headerHeight};
    case Kind::metadata:
        return {width, metadataHeight};
    case Kind::residual:
        break;
    }
    const ResidualItem* item = model_.item(index.row());
    const int reason = item != nullptr && item->confidence == MatchConfidence::possible ? reasonHeight : 0;
    return {width, rowLineHeight + reason + expansionHeight(index.row())};
}

void ResidualListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    switch (kindOf(index)) {
    case Kind::categoryHeader:
        paintCategoryHeader(*painter, option.rect, index);
        break;
    case Kind::residual:
        paintResidual(*painter, option, index);
        break;
    case Kind::informationHeader:
        paintInformationHeader(*painter, option.rect, index);
        break;
    case Kind::metadata:
        paintMetadata(*painter, option.rect, index);
        break;
    }
    if (option.state & QStyle::State_HasFocus && view_.hasFocus()) {
        painter->setPen(QPen(Theme::withOpacity(Theme::blue(), 0.6), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 6, 6);
    }
    painter->restore();
}

void ResidualListDelegate::paintHeaderFrame(QPainter& painter, const QRect& rect) const {
    const QColor accent = view_.palette().color(QPalette::Highlight);
    painter.setPen(QPen(Theme::withOpacity(accent, 0.12), 1));
    painter.setBrush(Theme::withOpacity(accent, 0.075));
    painter.drawRoundedRect(QRectF(headerFrame(rect)).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

int ResidualListDelegate::paintHeaderLead(QPainter& painter, const QRect& frame, int x,
                                          const QModelIndex& index) const {
    const bool collapsed = index.data(ResidualListModel::collapsedRole).toBool();
    drawSymbol(painter, "chevron.down", QRect(x, frame.center().y() - 5, 10, 10), Theme::secondary(&view_),
               collapsed ? -90 : 0);
    x += 18;
    drawSymbol(painter, index.data(ResidualListModel::symbolRole).toString().toStdString(),
               QRect(x, frame.center().y() - 8, 16, 16), Theme::primary(&view_));
    return x + 24;
}

void ResidualListDelegate::paintCategoryHeader(QPainter& painter, const QRect& rect,
                                               const QModelIndex& index) const {
    paintHeaderFrame(painter, rect);
    const auto selection = static_cast<ResidualListModel::SectionSelection>(
        index.data(ResidualListModel::selectionRole).toInt());
    const QColor secondary = Theme::secondary(&view_);
    const char* box = selection == ResidualListModel::SectionSelection::all    ? "checkmark.square.fill"
                      : selection == ResidualListModel::SectionSelection::some ? "minus.square.fill"
                                                                               : "square";
    drawSymbol(painter, box, sectionSelectionRect(rect).adjusted(2, 2, -2, -2),
               selection == ResidualListModel::SectionSelection::none ? secondary : Theme::blue());

    const QRect frame = headerFrame(rect);
    int x = paintHeaderLead(painter, frame, sectionSelectionRect(rect).right() + 12, index);
    const QString summary = index.data(ResidualListModel::summaryRole).toString();
    painter.setFont(Theme::font(Theme::TextStyle::caption, QFont::Medium));
    const int summaryWidth = painter.fontMetrics().horizontalAdvance(summary);
    const QRect summaryRect(frame.right() - 12 - summaryWidth, frame.top(), summaryWidth, frame.height());
    painter.setPen(secondary);
    painter.drawText(summaryRect, Qt::AlignVCenter | Qt::AlignRight, summary);
    painter.setFont(Theme::font(Theme::TextStyle::body, QFont::DemiBold));
    painter.setPen(Theme::primary(&view_));
    const QRect title(x, frame.top(), summaryRect.left() - 8 - x, frame.height());
    painter.drawText(
        title, Qt::AlignVCenter | Qt::AlignLeft,
        painter.fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, title.width()));
}

void ResidualListDelegate::paintResidual(QPainter& painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const QRect rect = option.rect;
    const ResidualItem* item = model_.item(index.row());
    if (item == nullptr) {
        return;
    }
    const QColor secondary = Theme::secondary(&view_);
    const QRect line = lineRect(rect);
    drawSymbol(painter, item->selected ? "checkmark.circle.fill" : "circle",
               checkboxRect(rect).adjusted(1, 1, -1, -1), item->selected ? Theme::blue() : secondary);
    const QRect iconRect(rect.left() + 44, line.top() + (rowLineHeight - 34) / 2, 34, 34);
    model_.fileIcon(item->url).paint(&painter, iconRect);

    const bool expanded = index.data(ResidualListModel::expandedRole).toBool();
    drawSymbol(painter, "chevron.right", expandRect(rect).adjusted(5, 5, -5, -5), secondary,
               expanded ? 90 : 0);
    drawSymbol(painter, "magnifyingglass", revealRect(rect).adjusted(3, 3, -3, -3), secondary);

    // The size, in digits of equal width, right-aligned before the buttons.
    const QFont sizeFont = withTabularDigits(Theme::font(Theme::TextStyle::body));
    painter.setFont(sizeFont);
    const QString size = qText(ByteFormat::string(item->size));
    const int sizeWidth = std::max(70, painter.fontMetrics().horizontalAdvance(size));
    const QRect sizeRect(expandRect(rect).left() - 10 - sizeWidth, line.top(), sizeWidth, rowLineHeight);
    painter.setPen(Theme::primary(&view_));
    painter.drawText(sizeRect, Qt::AlignVCenter | Qt::AlignRight, size);

    const int textLeft = iconRect.right() + 10;
    const int textWidth = sizeRect.left() - 12 - textLeft;
    const bool possible = item->confidence == MatchConfidence::possible;
    int y = line.top() + (possible ? 8 : 12);

    painter.setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    const QString badgeText = qText(title(item->confidence));
    const int badgeWidth = Badge::sizeFor(badgeText).width();
    const QString name = painter.fontMetrics().elidedText(index.data().toString(), Qt::ElideMiddle,
                                                          std::max(0, textWidth - badgeWidth - 8));
    const int nameWidth = painter.fontMetrics().horizontalAdvance(name);
    painter.drawText(QRect(textLeft, y, nameWidth + 2, 18), Qt::AlignVCenter | Qt::AlignLeft, name);
    Badge::paint(painter, QPoint(textLeft + nameWidth + 8, y + (18 - Badge::sizeFor(badgeText).height()) / 2),
                 badgeText, confidenceColor(item->confidence));
    y += 20;

    painter.setFont(Theme::font(Theme::TextStyle::caption));
    painter.setPen(secondary);
    painter.drawText(QRect(textLeft, y, textWidth, 14), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(QString::fromStdString(item->url.string()),
                                                      Qt::ElideMiddle, textWidth));
    y += 16;
    if (possible) {
        painter.setFont(Theme::font(Theme::TextStyle::caption));
        painter.setPen(Theme::orange());
        painter.drawText(QRect(textLeft, y, textWidth, 14), Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(QString::fromStdString(item->reason),
                                                          Qt::ElideRight, textWidth));
    }
    if (expanded) {
        const int top = rect.top() + rowLineHeight + (possible ? reasonHeight : 0);
        paintExpansion(painter, QRect(rect.left(), top, rect.width(), rect.bottom() - top), index.row());
    }
}

void ResidualListDelegate::paintExpansion(QPainter& painter, const QRect& rect, int row) const {
    const ResidualItem* item = model_.item(row);
    const ResidualListModel::Expansion* expansion = model_.expansion(row);
    if (item == nullptr || expansion == nullptr) {
        return;
    }
    const QColor secondary = Theme::secondary(&view_);
    const int left = rect.left() + listingIndent;
    const int right = rect.right() - horizontalMargin - 6;
    int y = rect.top();
    painter.setPen(secondary);
    painter.setFont(Theme::font(Theme::TextStyle::caption));
    if (!expansion->loaded) {
        painter.drawText(QRect(left, y, right - left, noteLineHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         QStringLiteral("Reading\u2026"));
        y += noteLineHeight;
    } else if (expansion->isDirectory) {
        const auto& listing = expansion->listing;
        if (listing.items.empty()) {
            painter.drawText(QRect(left, y, right - left, noteLineHeight), Qt::AlignVCenter | Qt::AlignLeft,
                             QStringLiteral("Folder is empty or its contents cannot be read."));
            y += noteLineHeight;
        }
        const QFont sizeFont = withTabularDigits(Theme::font(Theme::TextStyle::caption));
        for (const FolderContentItem& child : listing.items) {
            model_.fileIcon(child.url).paint(&painter, QRect(left, y + 2, 20, 20));
            int nameRight = right;
            if (!child.isDirectory) {
                painter.setFont(sizeFont);
                painter.setPen(secondary);
                const QString size = qText(ByteFormat::string(child.size));
                const int width = painter.fontMetrics().horizontalAdvance(size);
                painter.drawText(QRect(right - width, y, width, listingLineHeight), Qt::AlignVCenter, size);
                nameRight = right - width - 10;
            }
            painter.setFont(Theme::font(Theme::TextStyle::subheadline));
            painter.setPen(Theme::primary(&view_));
            const QRect nameRect(left + 28, y, nameRight - left - 28, listingLineHeight);
            painter.drawText(
                nameRect, Qt::AlignVCenter | Qt::AlignLeft,
                painter.fontMetrics().elidedText(QString::fromStdString(child.url.filename().string()),
                                                 Qt::ElideMiddle, nameRect.width()));
            y += listingLineHeight;
        }
        if (listing.hiddenCount > 0) {
            painter.setFont(Theme::font(Theme::TextStyle::caption, QFont::Medium));
            painter.setPen(secondary);
            painter.drawText(QRect(left, y, right - left, noteLineHeight), Qt::AlignVCenter | Qt::AlignLeft,
                             QStringLiteral("%1 more items").arg(listing.hiddenCount));
            y += noteLineHeight;
        }
    }

    // The details block, tinted with the confidence's colour.
    const QColor color = confidenceColor(item->confidence);
    const QRect block(rect.left() + 44, y + 6, right - rect.left() - 44, detailsHeight(*item, expansion));
    painter.setPen(QPen(Theme::withOpacity(color, 0.18), 1));
    painter.setBrush(Theme::withOpacity(color, 0.07));
    painter.drawRoundedRect(QRectF(block).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    const bool possible = item->confidence == MatchConfidence::possible;
    int top = block.top() + 10;
    const int inner = block.left() + 12;
    const int innerWidth = block.right() - 12 - inner;
    drawSymbol(painter, possible ? "exclamationmark.triangle.fill" : "checkmark.shield.fill",
               QRect(inner, top + 2, 18, 18), color);
    painter.setFont(Theme::font(Theme::TextStyle::subheadline, QFont::DemiBold));
    painter.setPen(Theme::primary(&view_));
    painter.drawText(QRect(inner + 26, top, innerWidth - 26, 18), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(QString::fromStdString(item->reason), Qt::ElideRight,
                                                      innerWidth - 26));
    painter.setFont(Theme::font(Theme::TextStyle::caption));
    painter.setPen(secondary);
    painter.drawText(QRect(inner + 26, top + 18, innerWidth - 26, 24),
                     Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, qText(item->confidenceExplanation()));
    top += 44;
    if (possible) {
        painter.setFont(Theme::font(Theme::TextStyle::caption, QFont::Medium));
        painter.setPen(Theme::orange());
        painter.drawText(
            QRect(inner, top, innerWidth, detailLineHeight), Qt::AlignVCenter | Qt::AlignLeft,
            QStringLiteral("Not selected automatically to protect data shared with other applications."));
        top += detailLineHeight;
    }
    for (const DetailLine& detail : detailLines(*item, expansion)) {
        painter.setFont(Theme::font(Theme::TextStyle::caption, QFont::DemiBold));
        painter.setPen(secondary);
        painter.drawText(QRect(inner, top, detailLabelWidth, detailLineHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, detail.label);
        painter.setFont(Theme::font(Theme::TextStyle::caption));
        painter.setPen(Theme::primary(&view_));
        const QRect value(inner + detailLabelWidth, top, innerWidth - detailLabelWidth, detailLineHeight);
        painter.drawText(value, Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(detail.value, Qt::ElideMiddle, value.width()));
        top += detailLineHeight;
    }
}

void ResidualListDelegate::paintInformationHeader(QPainter& painter, const QRect& rect,
                                                  const QModelIndex& index) const {
    paintHeaderFrame(painter, rect);
    const QRect frame = headerFrame(rect);
    const int x = paintHeaderLead(painter, frame, frame.left() + 14, index);
    painter.setFont(Theme::font(Theme::TextStyle::body, QFont::DemiBold));
    painter.setPen(Theme::primary(&view_));
    painter.drawText(QRect(x, frame.top(), frame.right() - 40 - x, frame.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
    drawSymbol(painter, "info.circle.fill", QRect(frame.right() - 12 - 16, frame.center().y() - 8, 16, 16),
               Theme::secondary(&view_));
}

void ResidualListDelegate::paintMetadata(QPainter& painter, const QRect& rect,
                                         const QModelIndex& index) const {
    // An empty checkbox-wide space first, so that the icon lines up with the findings' icons.
    const QRect iconRect(rect.left() + 44 + 2, rect.top() + (metadataHeight - 30) / 2, 30, 30);
    const QString detail = index.data(ResidualListModel::detailRole).toString();
    const bool dock = index.data(ResidualListModel::informationKeyRole).toString() == QStringLiteral("dock");
    const QIcon icon =
        dock ? model_.applicationIcon()
             : AppIcons::documentType(index.data(ResidualListModel::extensionRole).toString().toStdString());
    icon.paint(&painter, iconRect);
    int x = iconRect.right() + 10;
    painter.setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    painter.setPen(Theme::primary(&view_));
    const QString title = index.data().toString();
    const int titleWidth = std::min(painter.fontMetrics().horizontalAdvance(title), rect.right() - x - 10);
    painter.drawText(QRect(x, rect.top(), titleWidth, rect.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(title, Qt::ElideRight, titleWidth));
    if (!detail.isEmpty()) {
        x += titleWidth + 6;
        painter.setFont(Theme::font(Theme::TextStyle::body, QFont::DemiBold));
        const QRect detailRect(x, rect.top(), rect.right() - 10 - x, rect.height());
        painter.drawText(detailRect, Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(QStringLiteral("(") + detail + QStringLiteral(")"),
                                                          Qt::ElideRight, detailRect.width()));
    }
}

Part ResidualListDelegate::partAt(const QModelIndex& index, const QRect& rect, const QPoint& point) const {
    switch (kindOf(index)) {
    case Kind::categoryHeader:
        if (sectionSelectionRect(rect).adjusted(-4, -4, 4, 4).contains(point)) {
            return Part::sectionSelection;
        }
        return headerFrame(rect).contains(point) ? Part::sectionCollapse : Part::none;
    case Kind::informationHeader:
        return headerFrame(rect).contains(point) ? Part::informationToggle : Part::none;
    case Kind::metadata:
        return Part::none;
    case Kind::residual:
        break;
    }
    if (checkboxRect(rect).adjusted(-4, -4, 4, 4).contains(point)) {
        return Part::checkbox;
    }
    if (expandRect(rect).adjusted(-2, -4, 2, 4).contains(point)) {
        return Part::expand;
    }
    if (revealRect(rect).adjusted(-2, -4, 2, 4).contains(point)) {
        return Part::reveal;
    }
    return Part::none;
}

QString ResidualListDelegate::toolTip(const QModelIndex& index, Part part) const {
    const QString name = index.data().toString();
    switch (part) {
    case Part::sectionSelection:
        return (static_cast<ResidualListModel::SectionSelection>(
                    index.data(ResidualListModel::selectionRole).toInt()) ==
                        ResidualListModel::SectionSelection::all
                    ? QStringLiteral("Deselect all in ")
                    : QStringLiteral("Select all in ")) +
               name;
    case Part::sectionCollapse:
        return (index.data(ResidualListModel::collapsedRole).toBool() ? QStringLiteral("Show ")
                                                                      : QStringLiteral("Hide ")) +
               name;
    case Part::expand:
        return index.data(ResidualListModel::expandedRole).toBool() ? QStringLiteral("Hide details")
                                                                    : QStringLiteral("Show details");
    case Part::reveal:
        return QStringLiteral("Show in Finder");
    case Part::none:
        return index.data(Qt::ToolTipRole).toString();
    case Part::checkbox:
    case Part::informationToggle:
        break;
    }
    return {};
}

void ResidualListDelegate::activate(const QModelIndex& index, Part part) {
    switch (part) {
    case Part::sectionSelection:
        model_.toggleSectionSelection(
            static_cast<ResidualCategory>(index.data(ResidualListModel::categoryRole).toInt()));
        break;
    case Part::sectionCollapse:
        model_.toggleCollapsed(
            static_cast<ResidualCategory>(index.data(ResidualListModel::categoryRole).toInt()));
        break;
    case Part::informationToggle:
        model_.toggleInformationSection(index.data(ResidualListModel::informationKeyRole).toString());
        break;
    case Part::checkbox:
        model_.toggleItem(index.row());
        break;
    case Part::expand:
        model_.toggleExpanded(index.row());
        break;
    case Part::reveal:
        if (const ResidualItem* item = model_.item(index.row())) {
            workspace_.reveal({item->url});
        }
        break;
    case Part::none:
        break;
    }
}

bool ResidualListDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
    if (event->type() != QEvent::MouseButtonRelease) {
        // Presses are the view's (current row); only the release acts, as a button does.
        return event->type() == QEvent::MouseButtonDblClick;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const Part part = partAt(index, option.rect, mouse->position().toPoint());
    if (part == Part::none) {
        return false;
    }
    // The model may rebuild under the index: act on a copy taken now.
    const QPersistentModelIndex target(index);
    activate(target, part);
    return true;
}

bool ResidualListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString text = toolTip(index, partAt(index, option.rect, event->pos()));
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view, option.rect);
    return true;
}

QStringList ResidualListDelegate::expansionLines(int row) const {
    QStringList lines;
    const ResidualItem* item = model_.item(row);
    const ResidualListModel::Expansion* expansion = model_.expansion(row);
    if (item == nullptr || expansion == nullptr || !expansion->expanded) {
        return lines;
    }
    if (!expansion->loaded) {
        lines << QStringLiteral("Reading\u2026");
    } else if (expansion->isDirectory) {
        if (expansion->listing.items.empty()) {
            lines << QStringLiteral("Folder is empty or its contents cannot be read.");
        }
        for (const FolderContentItem& child : expansion->listing.items) {
            lines << QString::fromStdString(child.url.filename().string());
        }
        if (expansion->listing.hiddenCount > 0) {
            lines << QStringLiteral("%1 more items").arg(expansion->listing.hiddenCount);
        }
    }
    lines << QString::fromStdString(item->reason) << qText(item->confidenceExplanation());
    if (item->confidence == MatchConfidence::possible) {
        lines << QStringLiteral("Not selected automatically to protect data shared with other applications.");
    }
    for (const DetailLine& detail : detailLines(*item, expansion)) {
        lines << detail.label + QStringLiteral(": ") + detail.value;
    }
    return lines;
}

} // namespace tarnwick
