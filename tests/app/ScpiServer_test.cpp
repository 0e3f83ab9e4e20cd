// The SCPI server in this process over the real session (virtual output device), its clients
// real TCP sockets in threads of their own while the event loop serves them: who is refused
// at once, what is dropped (long lines, silent clients, clients that never read), and that a
// flood on one connection leaves another one answered promptly.
#include "app/ScpiServer.h"
#include "session/SessionScpiHost.h"
#include "tests/app/ScpiClient.h"
#include "tests/session/SessionFixture.h"

#include <QTcpServer>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <tuple>

using namespace quavril;
using namespace quavril::test;

namespace {

class ScpiServerTest : public test::SessionFixture {
protected:
    void SetUp() override {
        SessionFixture::SetUp();
        host = std::make_unique<SessionScpiHost>(*session);
        server = std::make_unique<ScpiServer>(*host);
    }
    // Listens on a free port of the loopback address.
    void Start(const QString& allowed = {}) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        ScpiEndpoint e;
        e.Port = probe.serverPort();
        e.ExactPort = true;
        e.Allowed = allowed;
        probe.close();
        ASSERT_TRUE(server->Start(e)) << server->Status().toStdString();
    }
    // Runs `clients` in a thread while this thread's event loop serves them.
    void WithClients(const std::function<void()>& clients, int limitMs = 60000) {
        std::atomic<bool> done = false;
        std::thread t([&] {
            clients();
            done = true;
        });
        test::RunUntil([&] { return done.load(); }, limitMs);
        t.join();
    }

    std::unique_ptr<SessionScpiHost> host;
    std::unique_ptr<ScpiServer> server;
};

TEST_F(ScpiServerTest, answersLinesInOrderAndEachClientHasItsOwnErrorQueue) {
    Start();
    WithClients([&] {
        Client a(server->Port()), b(server->Port());
        ASSERT_TRUE(a.Send("*IDN?\r\nFREQ 440;FREQ?\nBOGUS\n"));
        EXPECT_EQ(a.ReadLine().value_or("-"), server->Identity().toStdString());
        EXPECT_EQ(a.ReadLine().value_or("-"), "440");
        EXPECT_EQ(b.Query("SYST:ERR?"), "0,\"No error\"");
        EXPECT_EQ(a.Query("SYST:ERR?"), "-113,\"Undefined header\"");
        EXPECT_EQ(b.Query("FREQ?"), "440");
    });
    EXPECT_EQ(session->Controls().Text(TextField::fInitLeft), "440");
}

// Each rule closes the offending connection at once and leaves the others served: a client
// outside the allowed list (whose command is never run), a ninth client, a line over 4 KiB.
TEST_F(ScpiServerTest, refusedAndOversizedConnectionsAreClosedAtOnce) {
    Start("127.0.0.1, 10.1.0.0/16");
    WithClients([&] {
        Client outsider(server->Port(), "127.0.0.2");
        ASSERT_TRUE(outsider.Connected());
        outsider.Send("FREQ 777\n");
        EXPECT_TRUE(outsider.ClosedWithin(5000));

        std::vector<std::unique_ptr<Client>> eight;
        for (int i = 0; i < 8; ++i) {
            eight.push_back(std::make_unique<Client>(server->Port()));
            EXPECT_EQ(eight.back()->Query("*OPC?"), "1") << i;
        }
        Client ninth(server->Port());
        EXPECT_TRUE(ninth.ClosedWithin(5000));

        // 4096 bytes are a line; 4097 are not.
        EXPECT_EQ(eight[0]->Query(std::string(4096 - 5, ' ') + "*OPC?"), "1");
        eight[1]->Send(std::string(4097, ' '));
        EXPECT_TRUE(eight[1]->ClosedWithin(5000));
        for (size_t i = 2; i < eight.size(); ++i)
            EXPECT_EQ(eight[i]->Query("FREQ?"), "1000") << i;
        // The place of a closed client is free again.
        eight.pop_back();
        bool served = false;
        for (int i = 0; i < 100 && !served; ++i) {
            Client again(server->Port());
            served = again.Query("*OPC?", 1000) == "1";
        }
        EXPECT_TRUE(served);
    });
    EXPECT_EQ(session->Controls().Text(TextField::fInitLeft), "1000");
}

TEST_F(ScpiServerTest, silentClientsAndClientsThatNeverReadAreDropped) {
    ScpiServer::Limits limits;
    limits.IdleMs = 600;
    limits.StallMs = 600;
    server->SetLimits(limits);
    Start();
    WithClients([&] {
        Client silent(server->Port()), reader(server->Port());
        // One that asks and asks but never reads fills its send path and is then held back;
        // the reader is answered meanwhile.
        Client deaf(server->Port());
        std::string queries;
        for (int i = 0; i < 2000; ++i)
            queries += "*IDN?;*IDN?;*IDN?;*IDN?\n";
        std::thread flood([&] {
            for (int i = 0; i < 40 && deaf.Send(queries); ++i) {
            }
        });
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(reader.Query("*OPC?", 1000), "1") << i;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_TRUE(silent.ClosedWithin(5000));
        EXPECT_TRUE(deaf.ClosedWithin(5000));
        flood.join();
        // (The reader has been silent meanwhile: a new client is served.)
        Client fresh(server->Port());
        EXPECT_EQ(fresh.Query("*OPC?"), "1");
    });
}

// 100,000 random lines and a 10 MB line on one connection; another client asks every few
// milliseconds and is answered each time well within a generous bound.
TEST_F(ScpiServerTest, floodOnOneConnectionLeavesAnotherAnswered) {
    Start();
    std::vector<double> waits;
    std::atomic<bool> floodClosed = false;
    WithClients(
        [&] {
            std::atomic<bool> flooding = true;
            std::thread flood([&] {
                Client f(server->Port());
                std::thread drain([&] { floodClosed = f.ClosedWithin(60000); });
                std::mt19937 random(19);
                const char* pieces[] = {"FREQ 440",   "VOLT -6", "*IDN?", "SYST:ERR?", "FUNC SQU",
                                        "AM:DEPT 50", ";",       ":",     "?",         "'",
                                        "\"",         "*",       "1e9999"};
                std::string batch;
                for (int i = 0; i < 100000; ++i) {
                    const int n = static_cast<int>(random() % 6);
                    for (int k = 0; k < n; ++k) {
                        if (random() % 2)
                            batch += pieces[random() % std::size(pieces)];
                        else
                            batch += static_cast<char>(' ' + random() % 95);
                    }
                    batch += '\n';
                    if (batch.size() > 65536) {
                        f.Send(batch);
                        batch.clear();
                    }
                }
                // The last line before the long one tells that every line was served in order.
                f.Send(batch + "FREQ 4321\n");
                f.Send(std::string(10 * 1024 * 1024, 'A'));
                flooding = false;
                drain.join();
            });
            Client probe(server->Port());
            while (flooding || waits.size() < 20) {
                const auto start = Clock::now();
                if (probe.Query("*OPC?", 10000) != "1")
                    break;
                waits.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            flood.join();
        },
        120000);
    ASSERT_GE(waits.size(), 20u);
    EXPECT_TRUE(floodClosed);
    EXPECT_EQ(session->Controls().Text(TextField::fInitLeft), "4321");
    std::sort(waits.begin(), waits.end());
    EXPECT_LT(waits.back(), 1000.0)
        << waits.size() << " answers, median " << waits[waits.size() / 2] << " ms";
}

// What is no address is refused with its reason (a port in use, and the search past it, are
// met by the real program's copies).
TEST_F(ScpiServerTest, addressesThatAreNoneAreReportedAndStopSaysOff) {
    ScpiEndpoint e;
    e.Address = "not-an-address";
    EXPECT_FALSE(server->Start(e));
    EXPECT_EQ(server->Port(), 0);
    EXPECT_EQ(server->Status(), "Not listening: 'not-an-address' is not an IP address");
    e.Address = "127.0.0.1";
    e.Allowed = "127.0.0.1, 300.1.1.1";
    EXPECT_FALSE(server->Start(e));
    EXPECT_EQ(server->Status(),
              "Not listening: '300.1.1.1' in the allowed clients is not an address or subnet");
    server->Stop();
    EXPECT_EQ(server->Status(), "Off");
}

TEST(ScpiEndpoint, optionValues) {
    // The option's value, then the address, the port and whether only that port will do.
    const std::tuple<const char*, std::string, int, bool> valid[] = {
        {"", "127.0.0.1", 5025, false},
        {"0.0.0.0", "0.0.0.0", 5025, false},
        {"192.168.1.5:6000", "192.168.1.5", 6000, true},
        {":6001", "127.0.0.1", 6001, true},
        {"::1", "::1", 5025, false},
        {"[::1]:5030", "::1", 5030, true},
        {"[::]", "::", 5025, false},
    };
    for (const auto& [value, address, port, exact] : valid) {
        const auto e = ScpiEndpoint::FromOption(value);
        ASSERT_TRUE(e.has_value()) << value;
        EXPECT_EQ(std::tuple(e->Address.toStdString(), e->Port, e->ExactPort),
                  std::tuple(address, port, exact))
            << value;
    }
    for (const char* refused :
         {"127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:+80", "127.0.0.1:http", "[::1]5030", "[::1"})
        EXPECT_FALSE(ScpiEndpoint::FromOption(refused).has_value()) << refused;
}

} // namespace
