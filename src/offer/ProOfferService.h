#pragma once

#include "offer/ProOffer.h"

#include <QObject>
#include <QSslConfiguration>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace tarnwick {

// Fetches the Pro offer over HTTPS and keeps the last good one in memory for five minutes. It never
// fails: whatever goes wrong (no network, a time-out, a TLS failure, an HTTP status outside 200-299, an
// answer over 32,768 bytes, a body that is no offer), the caller gets the last good offer, or nothing.
// Nothing is logged and nothing is written to disk.
//
// The service does one piece of work at a time on the thread it lives on: callers that ask while a
// request is under way wait for that request and share its answer, so there is at most one request per
// five minutes while the server answers well.
class ProOfferService : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Answer = std::function<void(std::optional<ProOffer>)>;

    static constexpr std::chrono::seconds freshness{300};
    static constexpr std::chrono::milliseconds defaultTimeout{8000};
    static constexpr qint64 maximumBodySize = 32768;

    struct Settings {
        // Nothing: the service never asks and answers nothing (a base that is no https address).
        std::optional<QUrl> endpoint;
        // For the whole exchange, from sending the request to the last byte of the answer.
        std::chrono::milliseconds timeout = defaultTimeout;
        Clock clock = [] { return std::chrono::steady_clock::now(); };
        // The TLS settings of each request; nothing for the system's (its trusted certificates included).
        std::optional<QSslConfiguration> tls;
    };

    explicit ProOfferService(Settings settings, QObject* parent = nullptr);
    ~ProOfferService() override;

    // The one instance of the process, made on first use and living on the application's main thread
    // until the application object goes. Its server is
    // the base address in the environment variable TARNWICK_OFFER_URL when set, else the built-in one.
    static ProOfferService& shared();

    // The endpoint for a base address: `override` when not empty, else the built-in base.
    static std::optional<QUrl> endpointFor(const QString& override);

    // Asks for the offer from any thread. `answer` is called once, later, on the thread of `receiver`,
    // and not at all when `receiver` (or the service) is gone by then.
    void offer(QObject* receiver, Answer answer);

signals:
    // One answer to the request with this ticket; `offer` hands it to the caller that holds the ticket.
    void answered(quint64 ticket, const std::optional<tarnwick::ProOffer>& offer);

private:
    void serve(quint64 ticket);
    void send();
    void finish();
    bool isFresh() const;

    Settings settings;
    std::optional<ProOffer> cachedOffer;
    std::optional<std::chrono::steady_clock::time_point> cachedAt;

    QNetworkAccessManager* network = nullptr;
    QTimer* deadline;
    QNetworkReply* reply = nullptr;
    QByteArray body;
    bool refused = false; // too long or too late: the answer is dropped whatever else it says
    std::vector<quint64> waiting;
    std::atomic<quint64> nextTicket{1};
};

} // namespace tarnwick
