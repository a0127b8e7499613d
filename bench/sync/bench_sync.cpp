// SPDX-License-Identifier: GPL-3.0-or-later
// HotSync speed: 5000 notes with real pictures (the storage benchmarks' database, about
// 37 MB) synchronized over TCP on 127.0.0.1 with the simulated handheld in a process of its
// own, so that the figures are the desktop's alone:
//   FirstSync      every note new (no PC file yet)
//   TenChanged     10 notes changed on the handheld among 5000 (a fast sync)
// Counters: desktop_cpu_ms is the desktop's own CPU time per sync (user and system; the
// handheld's work is in the other process; target for TenChanged: 100 ms or less), and
// peak_x_db the desktop's peak memory during the sync above what it held before, as a
// multiple of the database's size (target: 2 or less).
//
// Run in a Release build: build-rel/bin/bench_sync

#include "BenchDatabase.h"
#include "support/HandheldSimulator.h"
#include "support/OneUserSyncHost.h"
#include "sync/DlpClient.h"
#include "sync/SyncSession.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillary::sync;
using quillary::test::FourCC;
using quillary::test::HandheldSimulator;
using quillary::test::SimDatabase;

namespace {

constexpr uint32_t kUserId = 77;
constexpr int kNotes = 5000;

std::string Folder() {
    static const std::string dir =
        (fs::temp_directory_path() / ("quillary_bench_sync_" + std::to_string(::getpid())))
            .string();
    return dir;
}
std::string DatabasePath() {
    return Folder() + "/bench.pdb";
}

// The database is made in a child process, so that none of its memory counts here.
size_t DatabaseSize() {
    static const size_t size = [] {
        fs::create_directories(Folder());
        const pid_t pid = fork();
        if (pid == 0)
            _exit(quillary::bench::WriteBenchDatabase(DatabasePath(), kNotes) ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        return size_t(fs::file_size(DatabasePath()));
    }();
    return size;
}

SimDatabase LoadHandheldDatabase() {
    clsDatabase db;
    db.SetFileName(DatabasePath());
    db.OpenDatabase();
    SimDatabase sim;
    sim.name = "QuillaryDBv2";
    sim.type = FourCC("Not2");
    sim.creator = FourCC("QLRY");
    sim.appInfo.assign(db.AppInfo().begin(), db.AppInfo().end());
    for (int i = 0; i < db.GetNumRecords(); ++i) {
        const clsQuillaryItem& item = *db.GetRecordObject(i);
        sim.records.push_back({sim.nextUniqueId++, quillary::test::SimRecord::kDirty,
                               uint8_t(item.CategoryIndex()), item.RecordBytes()});
    }
    return sim;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

enum class Mode { FirstSync, TenChanged };

// The handheld's process: one session per connection. FirstSync starts every session from
// the untouched database; TenChanged changes 10 notes before each session but the first.
[[noreturn]] void Serve(int listener, Mode mode) {
    HandheldSimulator hh;
    hh.userName = "Bench";
    hh.userId = kUserId;
    const SimDatabase fresh = LoadHandheldDatabase();
    std::vector<uint8_t> buffer(1 << 16);
    for (int session = 0;; ++session) {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0)
            _exit(0);
        if (mode == Mode::FirstSync || session == 0) {
            hh.databases = {fresh};
            hh.lastSyncPc = 0;
        } else {
            SimDatabase& db = hh.databases[0];
            for (int k = 0; k < 10; ++k) {
                auto& rec = db.records[size_t((session * 10 + k * 499) % kNotes)];
                std::vector<uint8_t> data = rec.data;
                data[2] = uint8_t('A' + session % 26); // the text's first letter
                hh.ChangeRecord(db, rec.id, std::move(data));
            }
        }
        bool open = WriteAll(fd, hh.Begin());
        while (open) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            std::vector<uint8_t> answer;
            open = hh.Feed(std::span<const uint8_t>(buffer.data(), size_t(n)), answer);
            if (!WriteAll(fd, answer))
                break;
        }
        ::close(fd);
    }
}

class SocketTransport : public DlpTransport {
public:
    explicit SocketTransport(int fd) : m_Fd(fd) {}
    bool Send(std::span<const uint8_t> bytes, std::string* error) override {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(m_Fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                *error = "send failed";
                return false;
            }
            done += size_t(n);
        }
        return true;
    }
    bool Receive(std::vector<uint8_t>& out, std::string* error) override {
        pollfd p{m_Fd, POLLIN, 0};
        if (::poll(&p, 1, 30000) <= 0) {
            *error = "timed out";
            return false;
        }
        uint8_t buf[1 << 16];
        const ssize_t n = ::read(m_Fd, buf, sizeof buf);
        if (n <= 0) {
            *error = "the handheld hung up";
            return false;
        }
        out.insert(out.end(), buf, buf + n);
        return true;
    }

private:
    int m_Fd;
};

// The PC this benchmark syncs with.
struct Host : quillary::test::OneUserSyncHost {
    Host() { pcId = 0xBE4C0001; }
};

struct Handheld {
    int listener = -1;
    uint16_t port = 0;
    pid_t pid = -1;
    Handheld(Mode mode) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        pid = fork();
        if (pid == 0)
            Serve(listener, mode);
    }
    ~Handheld() {
        ::close(listener);
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    int Connect() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return fd;
    }
};

long Kib(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == field) {
            in >> value;
            return value;
        }
        in.ignore(1 << 10, '\n');
    }
    return 0;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One sync; adds its CPU time and raises peak to the memory it took above what was held.
bool SyncOnce(const Handheld& handheld, Host& host, double& cpu, long& peakKib) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts from now
    const long before = Kib("VmRSS:");
    const double start = CpuSeconds();
    const int fd = handheld.Connect();
    SocketTransport transport(fd);
    DlpClient client(transport);
    const bool ok =
        client.Handshake().Ok() && RunSync(client, host).outcome == SyncReport::Outcome::Synced;
    ::close(fd);
    cpu += CpuSeconds() - start;
    peakKib = std::max(peakKib, Kib("VmHWM:") - before);
    return ok;
}

Host MakeHost() {
    Host host;
    host.user.userId = kUserId;
    host.user.name = "Bench";
    host.user.folder = Folder() + "/user";
    host.user.notesFile = host.user.folder + "/QLBench.pdb";
    host.user.insertFolder = host.user.folder + "/QLInsertPDB";
    fs::remove_all(host.user.folder);
    fs::create_directories(host.user.folder);
    return host;
}

void Report(benchmark::State& state, double cpu, long peakKib) {
    state.counters["desktop_cpu_ms"] = cpu * 1000.0 / double(state.iterations());
    state.counters["peak_x_db"] = double(peakKib) * 1024.0 / double(DatabaseSize());
    state.counters["db_MB"] = double(DatabaseSize()) / 1e6;
}

void BM_FirstSync(benchmark::State& state) {
    DatabaseSize();
    Host host = MakeHost();
    const Handheld handheld(Mode::FirstSync);
    double cpu = 0;
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(host.user.folder);
        fs::create_directories(host.user.folder);
        state.ResumeTiming();
        if (!SyncOnce(handheld, host, cpu, peak)) {
            state.SkipWithError("the sync failed");
            return;
        }
    }
    Report(state, cpu, peak);
}
BENCHMARK(BM_FirstSync)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_TenChanged(benchmark::State& state) {
    DatabaseSize();
    Host host = MakeHost();
    const Handheld handheld(Mode::TenChanged);
    double cpu = 0;
    long peak = 0;
    if (!SyncOnce(handheld, host, cpu, peak)) { // the first sync, not measured
        state.SkipWithError("the first sync failed");
        return;
    }
    cpu = 0;
    peak = 0;
    for (auto _ : state)
        if (!SyncOnce(handheld, host, cpu, peak)) {
            state.SkipWithError("the sync failed");
            return;
        }
    Report(state, cpu, peak);
}
BENCHMARK(BM_TenChanged)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Folder());
    return 0;
}
