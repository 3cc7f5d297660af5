#pragma once

#include "offer/ProOffer.h"
#include "store/AppListFilter.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;

namespace tarnwick {

class Workspace;

// Asks for the Pro offer; `answer` is called later on `receiver`'s thread, and not at all once
// `receiver` is gone.
using OfferRequest =
    std::function<void(QObject* receiver, std::function<void(std::optional<ProOffer>)> answer)>;

// The sidebar in a Pro mode: what the mode would do, and that it comes with Pro. Never the offer's texts.
class ProSidebarPreview : public QWidget {
    Q_OBJECT

public:
    explicit ProSidebarPreview(AppListFilter mode, QWidget* parent = nullptr);

    AppListFilter mode() const { return mode_; }

private:
    AppListFilter mode_;
};

// The detail pane in a Pro mode: the feature, its points, and the maker's current offer when there is
// one. It only shows texts and opens a secure download page; it touches no file.
class ProFeatureView : public QWidget {
    Q_OBJECT

public:
    struct Feature {
        std::string title;
        std::string subtitle;
        std::string symbol;
        std::vector<std::string> features;
    };

    // The feature shown for `mode` (one of the two Pro modes).
    static Feature featureFor(AppListFilter mode);

    ProFeatureView(AppListFilter mode, OfferRequest request, Workspace& workspace, QWidget* parent = nullptr);

    const std::optional<ProOffer>& remoteOffer() const { return remoteOffer_; }

    QString headingTitle() const;
    QString badgeText() const;
    QString subtitle() const;
    // Null while the note is shown instead.
    QPushButton* downloadButton() const;
    QString note() const;
    bool showsLiveUpdate() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setRemoteOffer(std::optional<ProOffer> offer);
    void present();
    void restyle();

    Feature feature_;
    OfferRequest request_;
    Workspace& workspace_;
    std::optional<ProOffer> remoteOffer_;

    QLabel* title_;
    QLabel* badge_;
    QLabel* subtitle_;
    QPushButton* download_;
    QLabel* note_;
    QWidget* liveUpdate_;
    QFrame* panel_ = nullptr;
};

} // namespace tarnwick
