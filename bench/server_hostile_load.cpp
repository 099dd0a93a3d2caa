// zorvi-server (the real program) under hostile load on loopback: sync's
// latency while 500 event streams are open, the service's peak memory while
// a client sends a 60 MiB body it may not send, and how long a failed
// password sign-in takes for a real e-mail and for an unknown one.

#include "RawConnection.h"
#include "support/TempDir.h"
#include "support/ZorviServerProcess.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QRegularExpression>

#include <algorithm>
#include <chrono>

namespace {

constexpr const char* password = "correct horse battery";

struct Service {
    explicit Service(const QStringList& arguments) : process(ZORVI_SERVER_EXECUTABLE, dir.file("data")) {
        process.addUser("ann@bench.test", "Ann", password);
        process.addWorkspace("acme", "Acme");
        process.addMember("acme", "ann@bench.test", "admin");
        if (!process.start(arguments))
            throw std::runtime_error("zorvi-server did not start: " + process.error().toStdString());
    }
    TempDir dir;
    ZorviServerProcess process;
};

std::string csrfOf(const std::string& html) {
    static const QRegularExpression csrf(QStringLiteral("name=\"csrf\" value=\"([^\"]*)\""));
    return csrf.match(QString::fromStdString(html)).captured(1).toStdString();
}

// One failed password sign-in on the verification page; its HTTP status.
int failedSignIn(httplib::Client& browser, const std::string& email) {
    auto page = browser.Get("/device");
    const std::string cookie = page->get_header_value("Set-Cookie");
    auto reply = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", cookie.substr(0, cookie.find(';'))}},
                              httplib::Params{{"email", email}, {"password", "wrong guess"}, {"csrf", csrfOf(page->body)}});
    return reply ? reply->status : 0;
}

// A token through the real device flow, for the stream benchmark.
std::string signIn(const QString& baseUrl) {
    httplib::Client api(baseUrl.toStdString());
    auto code = api.Post("/api/auth/device/code", R"({"client_id":"bench"})", "application/json");
    static const QRegularExpression field(QStringLiteral("\"(device_code|user_code)\":\"([^\"]+)\""));
    QString deviceCode, userCode;
    for (auto it = field.globalMatch(QString::fromStdString(code->body)); it.hasNext();) {
        const auto m = it.next();
        (m.captured(1) == "device_code" ? deviceCode : userCode) = m.captured(2);
    }
    httplib::Client browser(baseUrl.toStdString());
    auto page = browser.Get("/device");
    const std::string login = page->get_header_value("Set-Cookie");
    auto in = browser.Post("/device/sign-in", httplib::Headers{{"Cookie", login.substr(0, login.find(';'))}},
                           httplib::Params{{"email", "ann@bench.test"}, {"password", password}, {"csrf", csrfOf(page->body)}});
    const std::string session = in->get_header_value("Set-Cookie");
    const httplib::Headers cookie{{"Cookie", session.substr(0, session.find(';'))}};
    auto approval = browser.Get(("/device?user_code=" + userCode).toStdString(), cookie);
    browser.Post("/device/decision", cookie,
                 httplib::Params{{"csrf", csrfOf(approval->body)}, {"user_code", userCode.toStdString()}, {"decision", "approve"}});
    auto token = api.Post("/api/auth/device/token",
                          R"({"grant_type":"urn:ietf:params:oauth:grant-type:device_code","device_code":")" +
                              deviceCode.toStdString() + "\"}",
                          "application/json");
    static const QRegularExpression access(QStringLiteral("\"access_token\":\"([^\"]+)\""));
    return access.match(QString::fromStdString(token->body)).captured(1).toStdString();
}

void BM_SyncWhile500EventStreamsAreOpen(benchmark::State& state) {
    Service s({"--streams-per-token", "600", "--streams-per-user", "600", "--connections-per-address", "700"});
    const std::string token = signIn(s.process.baseUrl());
    std::vector<RawConnection> streams;
    for (int i = 0; i < 500; ++i) {
        streams.emplace_back(s.process.port());
        streams.back().send(requestHead("GET", "/v1/events", token));
    }
    for (RawConnection& c : streams)
        if (!c.waitFor(": zorvi events", 60000))
            return state.SkipWithError("a stream did not open");
    httplib::Client api(s.process.baseUrl().toStdString());
    api.set_default_headers({{"Authorization", "Bearer " + token}});
    std::vector<double> latencies;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto reply = api.Post("/v1/sync", R"({"device_id":"bench","cursor":0})", "application/json");
        latencies.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!reply || reply->status != 200)
            state.SkipWithError("sync failed");
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["streams"] = double(streams.size());
    state.counters["p50_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
}
BENCHMARK(BM_SyncWhile500EventStreamsAreOpen)->Iterations(500)->Unit(benchmark::kMillisecond);

void BM_PeakMemoryWhileA60MiBBodyIsRefused(benchmark::State& state) {
    Service s({});
    const std::size_t body = 60u * 1024 * 1024;
    const long before = s.process.peakMemoryKiB();
    for (auto _ : state) {
        RawConnection c(s.process.port());
        c.send(requestHead("POST", "/api/auth/device/code", {},
                           "Content-Type: application/json\r\nContent-Length: " + std::to_string(body) + "\r\n"));
        const std::string chunk(1024 * 1024, 'x');
        for (std::size_t sent = 0; sent < body && c.send(chunk); sent += chunk.size())
            c.poll();
        c.waitForClose(20000);
    }
    state.counters["peak_before_MiB"] = double(before) / 1024;
    state.counters["peak_growth_MiB"] = double(s.process.peakMemoryKiB() - before) / 1024;
}
BENCHMARK(BM_PeakMemoryWhileA60MiBBodyIsRefused)->Iterations(3)->Unit(benchmark::kMillisecond);

// Four attempts each: the fifth failure for one account starts its wait.
void BM_FailedSignIn(benchmark::State& state, const char* email) {
    Service s({});
    httplib::Client browser(s.process.baseUrl().toStdString());
    for (auto _ : state)
        if (failedSignIn(browser, email) != 401)
            state.SkipWithError("the attempt was not simply refused");
}
BENCHMARK_CAPTURE(BM_FailedSignIn, realEmail, "ann@bench.test")->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FailedSignIn, unknownEmail, "nobody@bench.test")->Iterations(4)->Unit(benchmark::kMillisecond);

} // namespace
