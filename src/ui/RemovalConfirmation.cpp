#include "ui/RemovalConfirmation.h"

#include "catalogue/ByteFormat.h"
#include "store/CleanerStore.h"
#include "ui/SharedTexts.h"

#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace tarnwick {

RemovalConfirmation::RemovalConfirmation(CleanerStore& store, QWidget* window)
    : QObject(window)
    , store_(store)
    , window_(window) {
    connect(&store_.removals(), &RemovalState::candidateChanged, this, &RemovalConfirmation::follow);
    connect(&store_.removals(), &RemovalState::forceQuitCandidateChanged, this,
            &RemovalConfirmation::followForceQuit);
    connect(&store_.removals(), &RemovalState::waitingForChanged, this, &RemovalConfirmation::followWaiting);
}

void RemovalConfirmation::follow() {
    if (!store_.removals().candidate()) {
        if (dialog_) {
            dialog_->done(QMessageBox::Cancel); // cleared elsewhere: nothing left to confirm
        }
        return;
    }
    if (!dialog_) {
        open();
    }
}

void RemovalConfirmation::open() {
    auto* dialog = new QMessageBox(window_);
    dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setIcon(QMessageBox::Warning);
    const QString title = SharedTexts::translated(RemovalTexts::confirmationTitle);
    dialog->setWindowTitle(title);
    dialog->setTextFormat(Qt::PlainText);
    dialog->setText(title);
    const RemovalCandidate& candidate = *store_.removals().candidate();
    QStringList paragraphs;
    if (candidate.isSeveral()) {
        QStringList lines;
        for (const RemovalRequest& request : candidate.requests) {
            lines << QString::fromStdString(
                RemovalTexts::appSummary(request.app.name, request.items.size(), totalSize(request.items)));
        }
        paragraphs << lines.join(QLatin1Char('\n'));
    }
    paragraphs << SharedTexts::translated(RemovalTexts::confirmation,
                                          static_cast<qsizetype>(candidate.itemCount()),
                                          {QString::fromStdString(ByteFormat::string(candidate.bytes()))});
    if (candidate.isRunning()) {
        paragraphs << QString::fromStdString(RemovalTexts::runningNote(candidate.runningNames()));
    }
    if (!candidate.launchJobs.empty()) {
        paragraphs << QString::fromStdString(RemovalTexts::launchJobsNote(candidate.launchJobs));
    }
    dialog->setInformativeText(paragraphs.join(QStringLiteral("\n\n")));
    QPushButton* move = dialog->addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
    QPushButton* cancel = dialog->addButton(QMessageBox::Cancel);
    dialog->setEscapeButton(cancel);
    // A slip of the Return key must not move anything.
    dialog->setDefaultButton(cancel);
    move->setObjectName(QStringLiteral("confirmRemoval"));
    connect(dialog, &QMessageBox::finished, this,
            [this, dialog, move] { finish(dialog->clickedButton() == move); });
    dialog->open();
}

void RemovalConfirmation::finish(bool confirmed) {
    if (confirmed) {
        store_.confirmRemoval();
    } else {
        store_.cancelRemoval();
    }
}

void RemovalConfirmation::followForceQuit() {
    const auto& candidate = store_.removals().forceQuitCandidate();
    if (!candidate) {
        if (forceQuit_) {
            forceQuit_->done(QMessageBox::Cancel);
        }
        return;
    }
    if (forceQuit_) {
        return;
    }
    auto* dialog = new QMessageBox(window_);
    forceQuit_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setIcon(QMessageBox::Warning);
    dialog->setTextFormat(Qt::PlainText);
    dialog->setWindowTitle(tr("Force Quit"));
    dialog->setText(QString::fromStdString(RemovalTexts::forceQuitQuestion(candidate->runningNames())));
    dialog->setInformativeText(tr("Nothing has been moved yet."));
    QPushButton* force = dialog->addButton(tr("Force Quit"), QMessageBox::DestructiveRole);
    QPushButton* cancel = dialog->addButton(QMessageBox::Cancel);
    force->setObjectName(QStringLiteral("forceQuit"));
    dialog->setEscapeButton(cancel);
    // Forcing loses what the application has not saved: never the answer of a stray Return key.
    dialog->setDefaultButton(cancel);
    connect(dialog, &QMessageBox::finished, this, [this, dialog, force] {
        if (dialog->clickedButton() == force) {
            store_.forceQuit();
        } else {
            store_.cancelForceQuit();
        }
    });
    dialog->open();
    cancel->setFocus(Qt::OtherFocusReason);
}

void RemovalConfirmation::followWaiting() {
    const std::vector<std::string>& names = store_.removals().waitingFor();
    if (names.empty()) {
        if (waiting_) {
            waiting_->close();
            waiting_->deleteLater();
        }
        return;
    }
    if (!waiting_) {
        auto* dialog = new QProgressDialog(window_);
        waiting_ = dialog;
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setWindowTitle(tr("Quitting"));
        dialog->setCancelButton(nullptr); // the wait ends by itself, after a few seconds at most
        dialog->setRange(0, 0);
        dialog->setMinimumDuration(0);
    }
    waiting_->setLabelText(QString::fromStdString(RemovalTexts::waitingToQuit(names)));
    waiting_->show();
}

} // namespace tarnwick
