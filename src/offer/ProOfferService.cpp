#include "offer/ProOfferService.h"

#include "offer/OfferEndpoint.h"

#include <QCoreApplication>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <memory>

namespace tarnwick {

ProOfferService::ProOfferService(Settings settings, QObject* parent)
    : QObject(parent)
    , settings(std::move(settings))
    , deadline(new QTimer(this)) {
    qRegisterMetaType<std::optional<ProOffer>>();
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this] {
        if (reply != nullptr) {
            refused = true;
            reply->abort();
        }
    });
}

ProOfferService::~ProOfferService() {
    if (reply != nullptr) {
        reply->disconnect(this);
        reply->abort();
    }
}

std::optional<QUrl> ProOfferService::endpointFor(const QString& override) {
    const std::string base =
        override.isEmpty() ? std::string(TARNWICK_OFFER_BASE_URL) : override.toStdString();
    const auto endpoint = OfferEndpoint::fromBase(base);
    if (!endpoint) {
        return std::nullopt;
    }
    return QUrl(QString::fromStdString(*endpoint), QUrl::StrictMode);
}

namespace {

QMutex sharedMutex;
QPointer<ProOfferService> sharedInstance;

// Runs first thing in the application object's destructor, while the network stack can still close its
// connections cleanly.
void deleteShared() {
    const QMutexLocker lock(&sharedMutex);
    delete sharedInstance.data();
}

} // namespace

ProOfferService& ProOfferService::shared() {
    const QMutexLocker lock(&sharedMutex);
    if (sharedInstance.isNull()) {
        Settings settings;
        settings.endpoint = endpointFor(qEnvironmentVariable("TARNWICK_OFFER_URL"));
        sharedInstance = new ProOfferService(std::move(settings));
        if (const QCoreApplication* application = QCoreApplication::instance()) {
            sharedInstance->moveToThread(application->thread());
            qAddPostRoutine(deleteShared);
        }
    }
    return *sharedInstance;
}

void ProOfferService::offer(QObject* receiver, Answer answer) {
    const quint64 ticket = nextTicket++;
    // A connection to the receiver, not a bare pointer: Qt drops it safely when the receiver is deleted,
    // from whichever thread.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(
        this, &ProOfferService::answered, receiver,
        [ticket, connection, answer = std::move(answer)](quint64 answeredTicket,
                                                         const std::optional<ProOffer>& offer) {
            if (answeredTicket != ticket) {
                return;
            }
            QObject::disconnect(*connection);
            answer(offer);
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this, [this, ticket] { serve(ticket); }, Qt::QueuedConnection);
}

bool ProOfferService::isFresh() const {
    return cachedOffer && cachedAt && settings.clock() - *cachedAt < freshness;
}

void ProOfferService::serve(quint64 ticket) {
    if (isFresh()) {
        emit answered(ticket, cachedOffer);
        return;
    }
    waiting.push_back(ticket);
    if (reply != nullptr) {
        return;
    }
    if (!settings.endpoint) {
        finish();
        return;
    }
    send();
}

void ProOfferService::send() {
    // The manager has no disk cache (none is ever set), and cookies are neither sent nor kept. The deadline
    // covers the whole exchange, where Qt's own time-out only notices silence and lets a trickle run on.
    QNetworkRequest request(*settings.endpoint);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setRawHeader("Cache-Control", "no-cache");
    if (settings.tls) {
        request.setSslConfiguration(*settings.tls);
    }

    if (network == nullptr) {
        // Made here, on the service's own thread: the manager keeps per-thread state where it is made.
        network = new QNetworkAccessManager(this);
    }
    body.clear();
    refused = false;
    reply = network->get(request);
    deadline->start(settings.timeout);

    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maximumBodySize) {
            refused = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        // Read no more than one byte past the limit: that byte is enough to refuse the answer.
        body += reply->read(maximumBodySize + 1 - body.size());
        if (body.size() > maximumBodySize) {
            refused = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &ProOfferService::finish);
}

void ProOfferService::finish() {
    if (reply != nullptr) {
        deadline->stop();
        QNetworkReply* done = std::exchange(reply, nullptr);
        done->disconnect(this);
        done->deleteLater();

        if (!refused) {
            body += done->read(maximumBodySize + 1 - body.size());
        }
        const QVariant status = done->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool usable = !refused && body.size() <= maximumBodySize &&
                            done->error() == QNetworkReply::NoError && status.isValid() &&
                            status.toInt() >= 200 && status.toInt() <= 299;
        if (usable) {
            if (auto decoded = ProOffer::decode(std::string_view(body.constData(), body.size()))) {
                cachedOffer = std::move(decoded);
                cachedAt = settings.clock();
            }
        }
        body.clear();
    }

    for (const quint64 ticket : std::exchange(waiting, {})) {
        emit answered(ticket, cachedOffer);
    }
}

} // namespace tarnwick
