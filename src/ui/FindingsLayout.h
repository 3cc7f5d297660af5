#pragma once

#include <QCoreApplication>
#include <QModelIndex>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

namespace tarnwick {

// Where each part of one row of the findings list lies: the one answer to how tall the row is, how it is
// drawn and which part a point is on. It is made from the row's roles and the rectangle the row gets; the
// view says whether the row is expanded (a section open, a finding's details shown).
class FindingsLayout {
    Q_DECLARE_TR_FUNCTIONS(tarnwick::FindingsLayout)

public:
    // The parts of a row that answer a click.
    enum class Part {
        none,
        checkbox,   // a finding's or a section's choice
        disclosure, // opens or closes a section, or a finding's details
        reveal,     // shows a finding in the file browser
    };

    FindingsLayout(const QModelIndex& index, const QRect& rect, bool expanded);

    int height() const { return height_; }
    // The part under `point`; `none` elsewhere.
    Part partAt(const QPoint& point) const;
    // What the part says when the pointer rests on it.
    QString toolTip(Part part) const;
    void paint(QPainter& painter, const QWidget* widget) const;

private:
    QRect frame() const;
    QRect checkbox() const;
    QRect expandButton() const;
    QRect revealButton() const;
    bool isPossible() const;

    void paintSectionFrame(QPainter& painter, const QWidget* widget) const;
    int paintSectionLead(QPainter& painter, const QWidget* widget, int x) const;
    void paintCategory(QPainter& painter, const QWidget* widget) const;
    void paintFinding(QPainter& painter, const QWidget* widget) const;
    void paintDetails(QPainter& painter, const QWidget* widget) const;
    void paintInformation(QPainter& painter, const QWidget* widget) const;
    void paintMetadata(QPainter& painter, const QWidget* widget) const;

    QModelIndex index_;
    int kind_;
    QRect rect_;
    bool expanded_;
    int height_ = 0;
};

} // namespace tarnwick
