#include "offer/LoopbackHttpsServer.h"
#include "offer/ProOfferService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using Result = std::optional<ProOffer>;

QByteArray offerJson(const QByteArray& title, const QByteArray& link = "\"https://example.com/pro\"") {
    return R"({"enabled": true, "badge": "NEW", "title": ")" + title +
           R"(", "message": "Try it.", "button_title": "Download", "download_url": )" + link + "}";
}

// Waits, with a bound, for one answer of the service; a failure when none came in time.
Result ask(ProOfferService& service, std::chrono::milliseconds bound = 10s) {
    QObject receiver;
    QEventLoop loop;
    std::optional<Result> got;
    service.offer(&receiver, [&](Result offer) {
        got = std::move(offer);
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    loop.exec();
    if (!got) {
        ADD_FAILURE() << "no answer within " << bound.count() << " ms";
        return std::nullopt;
    }
    return *got;
}

void spin(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

class ProOfferServiceTest : public testing::Test {
protected:
    ProOfferService::Settings settings(std::chrono::milliseconds timeout = 5s) {
        ProOfferService::Settings made;
        made.endpoint = ProOfferService::endpointFor(server.base().toString());
        made.timeout = timeout;
        made.clock = [this] { return now; };
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates({LoopbackHttpsServer::certificate()});
        made.tls = tls;
        return made;
    }

    // Answers `body` with `status` from now on, lets five minutes pass and asks.
    Result afterFiveMinutes(ProOfferService& service, int status, const QByteArray& body = {}) {
        server.answerWith({status, body});
        now += ProOfferService::freshness;
        return ask(service);
    }

    LoopbackHttpsServer server;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point() + 1000h;
};

TEST_F(ProOfferServiceTest, AsksWithoutCachesAndKeepsAGoodOfferForFiveMinutes) {
    ProOfferService service(settings());
    server.answerWith({200, offerJson("First")});

    const Result first = ask(service);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->title, "First");
    EXPECT_EQ(first->safeDownloadURL(), "https://example.com/pro");
    ASSERT_EQ(server.requests(), 1);
    const QByteArray request = server.lastRequest().toLower();
    EXPECT_TRUE(request.startsWith("get /tarnwickwebs/tarnwickportal/pro.php http/1.1\r\n"))
        << request.data();
    EXPECT_TRUE(server.lastRequest().contains("\r\nCache-Control: no-cache\r\n")) << request.data();
    EXPECT_FALSE(request.contains("content-length")) << request.data();

    server.answerWith({200, offerJson("Second")});
    now += 299s;
    const Result cached = ask(service);
    ASSERT_TRUE(cached.has_value());
    EXPECT_EQ(cached->title, "First");
    EXPECT_EQ(server.requests(), 1);

    now += 1s; // 300 seconds after the fetch: stale
    const Result renewed = ask(service);
    ASSERT_TRUE(renewed.has_value());
    EXPECT_EQ(renewed->title, "Second");
    EXPECT_EQ(server.requests(), 2);
}

TEST_F(ProOfferServiceTest, FailedAnswersKeepTheLastGoodOffer) {
    ProOfferService service(settings());
    EXPECT_EQ(afterFiveMinutes(service, 500, offerJson("Error page")), std::nullopt);
    EXPECT_EQ(afterFiveMinutes(service, 200, offerJson("Good")).value_or(ProOffer{}).title, "Good");

    for (const int status : {304, 404, 500, 302, 204}) {
        const Result kept =
            afterFiveMinutes(service, status, status == 304 || status == 204 ? "" : offerJson("Bad"));
        ASSERT_TRUE(kept.has_value()) << status;
        EXPECT_EQ(kept->title, "Good") << status;
    }
    const QByteArray lacksButton = R"({"enabled": true, "badge": "B", "title": "T", "message": "M"})";
    EXPECT_EQ(afterFiveMinutes(service, 200, lacksButton).value_or(ProOffer{}).title, "Good");
    EXPECT_EQ(afterFiveMinutes(service, 200, "<html>maintenance</html>").value_or(ProOffer{}).title, "Good");
    EXPECT_EQ(server.requests(), 9);
}

TEST_F(ProOfferServiceTest, TakesAnswersUpTo32768Bytes) {
    ProOfferService service(settings());
    const auto padded = [](qsizetype size) {
        QByteArray body = offerJson("Padded");
        body.insert(1, QByteArray(size - body.size(), ' '));
        return body;
    };
    ASSERT_EQ(padded(32768).size(), 32768);

    EXPECT_EQ(afterFiveMinutes(service, 200, padded(32769)), std::nullopt);
    server.answerWith({200, padded(32769), false});
    now += ProOfferService::freshness;
    EXPECT_EQ(ask(service), std::nullopt);

    const Result exact = afterFiveMinutes(service, 200, padded(32768));
    ASSERT_TRUE(exact.has_value());
    EXPECT_EQ(exact->title, "Padded");

    // Over the limit, announced or not: the last good offer stays.
    EXPECT_EQ(afterFiveMinutes(service, 200, padded(32769)), exact);
    server.answerWith({200, padded(1 << 20), false});
    now += ProOfferService::freshness;
    EXPECT_EQ(ask(service), exact);
    EXPECT_EQ(server.requests(), 5);
}

TEST_F(ProOfferServiceTest, GivesUpOnASilentServer) {
    ProOfferService service(settings(300ms));
    server.answerWith({200, {}, true, true});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ask(service, 5s), std::nullopt);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 4000);

    const Result good = afterFiveMinutes(service, 200, offerJson("Good"));
    ASSERT_TRUE(good.has_value());
    server.answerWith({200, {}, true, true});
    now += ProOfferService::freshness;
    EXPECT_EQ(ask(service, 5s), good);
    EXPECT_EQ(server.requests(), 3);
}

TEST_F(ProOfferServiceTest, CallsCloseTogetherShareOneRequestAndAnswerOnTheirThreads) {
    ProOfferService service(settings());
    server.answerWith({200, offerJson("Shared")});

    QThread worker;
    worker.start();
    auto* away = new QObject;
    away->moveToThread(&worker);
    QObject here;

    int answers = 0;
    bool awayOnItsThread = false;
    QEventLoop loop;
    const auto count = [&] {
        if (++answers == 3) {
            loop.quit();
        }
    };
    service.offer(&here, [&](Result offer) {
        EXPECT_EQ(offer.value_or(ProOffer{}).title, "Shared");
        count();
    });
    service.offer(&here, [&](Result offer) {
        EXPECT_EQ(offer.value_or(ProOffer{}).title, "Shared");
        count();
    });
    service.offer(away, [&, thread = &worker](Result offer) {
        awayOnItsThread = QThread::currentThread() == thread && offer.has_value();
        QMetaObject::invokeMethod(&loop, count);
    });
    QTimer::singleShot(10s, &loop, &QEventLoop::quit);
    loop.exec();

    EXPECT_EQ(answers, 3);
    EXPECT_TRUE(awayOnItsThread);
    spin(200ms); // time for a second request, were one under way, to reach the server
    EXPECT_EQ(server.requests(), 1);
    away->deleteLater();
    worker.quit();
    worker.wait();
}

TEST_F(ProOfferServiceTest, ACallerThatWentAwayIsNotAnswered) {
    ProOfferService service(settings());
    server.answerWith({200, offerJson("Late")});
    bool called = false;
    auto gone = std::make_unique<QObject>();
    service.offer(gone.get(), [&](Result) { called = true; });
    gone.reset();

    EXPECT_EQ(ask(service).value_or(ProOffer{}).title, "Late");
    spin(50ms);
    EXPECT_FALSE(called);
}

TEST_F(ProOfferServiceTest, NeverTalksToAServerItDoesNotTrust) {
    auto untrusting = settings();
    untrusting.tls.reset(); // the system's trusted certificates, which do not include the test one
    ProOfferService service(untrusting);
    server.answerWith({200, offerJson("Spoofed")});
    EXPECT_EQ(ask(service), std::nullopt);
    EXPECT_EQ(server.requests(), 0);
}

TEST(ProOfferEndpoint, WithoutAnHttpsEndpointNothingIsAsked) {
    EXPECT_EQ(ProOfferService::endpointFor("http://127.0.0.1:8443"), std::nullopt);
    ProOfferService::Settings nowhere;
    nowhere.endpoint.reset();
    ProOfferService service(nowhere);
    EXPECT_EQ(ask(service, 2s), std::nullopt);
}

TEST(ProOfferShared, IsOneInstanceOnTheMainThreadAskingTheServerFromTheEnvironment) {
    LoopbackHttpsServer server;
    server.answerWith({200, offerJson("From the environment")});
    qputenv("TARNWICK_OFFER_URL", server.base().toEncoded());
    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = original;
    trusting.addCaCertificate(LoopbackHttpsServer::certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);

    ProOfferService* fromWorker = nullptr;
    std::unique_ptr<QThread> worker(QThread::create([&] { fromWorker = &ProOfferService::shared(); }));
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    EXPECT_EQ(&ProOfferService::shared(), fromWorker);
    EXPECT_EQ(fromWorker->thread(), QCoreApplication::instance()->thread());

    const Result got = ask(ProOfferService::shared());
    QSslConfiguration::setDefaultConfiguration(original);
    qunsetenv("TARNWICK_OFFER_URL");
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->title, "From the environment");
    EXPECT_EQ(server.requests(), 1);
}

} // namespace
} // namespace tarnwick

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // Only the loopback server is ever contacted, whatever proxy the environment names.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
