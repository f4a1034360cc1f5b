// What a teacher switch and a post cost on a network: the data module over
// TDS (FreeTDS to the T-SQL server the QEL_TDS_* variables name, on loopback),
// beside the same work on the embedded server. The program's connection goes
// through a relay on loopback that counts the round trips on the wire (a TDS
// request and its answer), whatever the driver sends of its own, and names
// each one of a post. Timed by the wall clock: over a network the program
// waits for the server, it does not compute.
//  - tds_choose_teacher: the five teacher-bound datasets reopened on a
//    teacher over TDS, against the same five statements run as plain
//    QSqlQuery loops over the same TDS link (limit 3 x: each read is
//    prepared, and its release is a round trip of its own);
//  - tds_post: one publication edited and posted through its dataset (the
//    guarded write of one row), against the same one-row UPDATE sent as a
//    plain QSqlQuery statement in autocommit over the same link (limit 8 x).
// Without a server it says so in one line and measures nothing.
#include "bench_support.h"

#include "controls/application.h"
#include "data/data_module.h"
#include "data/session_loading.h"
#include "db/connection.h"
#include "db/dataset.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A TCP relay on a loopback port to the server, counting the requests of the
// TDS stream (a message ends with a packet whose status has bit 0 set) and,
// while asked to, naming each one.
class CountingRelay {
public:
    CountingRelay(const QString& host, int port)
        : m_host(host.toStdString())
        , m_port(port)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_listener, 8) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("the relay cannot listen on loopback");
        m_listenPort = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~CountingRelay()
    {
        m_stopping = true;
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_acceptor.join();
        for (std::thread& link : m_links)
            link.join();
    }
    int port() const { return m_listenPort; }
    long requests() const { return m_requests; }
    void startNaming()
    {
        const std::lock_guard lock(m_mutex);
        m_names.clear();
        m_naming = true;
    }
    QStringList stopNaming()
    {
        const std::lock_guard lock(m_mutex);
        m_naming = false;
        return m_names;
    }

private:
    struct Stream {
        QByteArray pending; // bytes of a packet not yet whole
        QByteArray message; // the payload of the message so far
        int type = 0;
    };

    void acceptLoop()
    {
        while (!m_stopping) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(uint16_t(m_port));
            ::inet_pton(AF_INET, m_host.c_str(), &address.sin_addr);
            if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(client);
                ::close(server);
                continue;
            }
            m_links.emplace_back([this, client, server] { relay(client, server); });
        }
    }

    void relay(int client, int server)
    {
        Stream requests;
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[65536];
        while (!m_stopping) {
            if (::poll(ends, 2, 200) < 0)
                break;
            bool closed = false;
            for (int side = 0; side < 2; ++side) {
                if (!(ends[side].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t got = ::read(ends[side].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    closed = true;
                    break;
                }
                if (side == 0)
                    takeRequestBytes(requests, QByteArray(buffer, int(got)));
                for (ssize_t sent = 0; sent < got;) {
                    const ssize_t n = ::write(ends[1 - side].fd, buffer + sent, size_t(got - sent));
                    if (n <= 0) {
                        closed = true;
                        break;
                    }
                    sent += n;
                }
            }
            if (closed)
                break;
        }
        ::close(client);
        ::close(server);
    }

    void takeRequestBytes(Stream& stream, const QByteArray& bytes)
    {
        stream.pending += bytes;
        while (stream.pending.size() >= 8) {
            const int length = (uchar(stream.pending[2]) << 8) | uchar(stream.pending[3]);
            if (length < 8 || stream.pending.size() < length)
                return;
            if (stream.message.isEmpty())
                stream.type = uchar(stream.pending[0]);
            stream.message += stream.pending.mid(8, length - 8);
            const bool last = uchar(stream.pending[1]) & 0x01;
            stream.pending.remove(0, length);
            if (!last)
                continue;
            ++m_requests;
            {
                const std::lock_guard lock(m_mutex);
                if (m_naming)
                    m_names << name(stream.type, stream.message);
            }
            stream.message.clear();
        }
    }

    // A request in a few words: a batch by its text, a call by its procedure.
    static QString name(int type, const QByteArray& payload)
    {
        const auto text = [&](int at, int characters) {
            characters = std::max(0, std::min(characters, int(payload.size() - at) / 2));
            return QString::fromUtf16(reinterpret_cast<const char16_t*>(payload.constData() + at), characters)
                .simplified();
        };
        // Past the headers that start every request of TDS 7.2 and later.
        const int body = payload.size() >= 4 ? int(qFromLittleEndian<quint32>(payload.constData())) : 0;
        if (type == 0x01)
            return QStringLiteral("batch: ") + text(body, 200);
        if (type == 0x03 && payload.size() >= body + 4) {
            const quint16 nameLength = qFromLittleEndian<quint16>(payload.constData() + body);
            if (nameLength != 0xFFFF)
                return QStringLiteral("call: ") + text(body + 2, nameLength);
            static const QHash<int, QString> known{{10, "sp_executesql"}, {11, "sp_prepare"}, {12, "sp_execute"},
                                                  {13, "sp_prepexec"}, {15, "sp_unprepare"}};
            const int id = qFromLittleEndian<quint16>(payload.constData() + body + 2);
            return QStringLiteral("call: ") + known.value(id, QString::number(id));
        }
        if (type == 0x0E && payload.size() >= body + 2) {
            static const QHash<int, QString> requests{{5, "begin"}, {7, "commit"}, {8, "rollback"}};
            const int request = qFromLittleEndian<quint16>(payload.constData() + body);
            return QStringLiteral("transaction: ") + requests.value(request, QString::number(request));
        }
        return QStringLiteral("packet type %1").arg(type);
    }

    std::string m_host;
    int m_port;
    int m_listener = -1;
    int m_listenPort = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<long> m_requests{0};
    std::thread m_acceptor;
    std::vector<std::thread> m_links;
    std::mutex m_mutex;
    bool m_naming = false;
    QStringList m_names;
};

// The signed-in user, without a main window, on teacher 1.
struct BenchSession : SessionState {
    QString login;
    QVariant currentTeacherKey() const override { return 1; }
    QString signedInLogin() const override { return login; }
    void setSignedInLogin(const QString& name) override { login = name; }
};

double wallSecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Measured {
    std::vector<double> seconds;
    std::vector<long> trips;
    void add(double s, long t)
    {
        seconds.push_back(s);
        trips.push_back(t);
    }
    double medianSeconds() const { return median(seconds); }
    double medianTrips() const { return median(std::vector<double>(trips.begin(), trips.end())); }
};

template <typename Work>
void measure(Measured& into, CountingRelay* relay, Work work)
{
    const long before = relay ? relay->requests() : 0;
    const double seconds = wallSecondsOf(work);
    into.add(seconds, relay ? relay->requests() - before : 0);
}

// The statements of the teacher rule, as SQL Server takes them.
QStringList teacherStatements(int teacher)
{
    const QString key = QString::number(teacher);
    return {QStringLiteral("Select * from ScientificActivity where id_t_fio = ") + key,
            QStringLiteral("select * from Language_options where id_teacher = ") + key,
            QStringLiteral("SELECT *  FROM [QEL].[dbo].[Publication] WHERE id_teacher=") + key,
            QStringLiteral("SELECT *  FROM [QEL].[dbo].[teacher_skills] WHERE id_teacher=") + key,
            QStringLiteral("SELECT *  FROM [QEL].[dbo].[organization_member] WHERE id_teacher=") + key};
}

QString oleDbString(const QString& dataSource, const QString& catalog)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=Dm7419kq;Persist Security Info=True;User ID=qel_demo;"
                          "Initial Catalog=%1;Data Source=%2;Use Procedure for Prepare=1")
        .arg(catalog, dataSource);
}

// The teacher switches and posts of one backend: teachers 1 and 2 in turn;
// the first publication of teacher 1 edited to one of two notes in turn and
// its note put back at the end.
struct Run {
    Measured switches;
    Measured posts;
    Measured inserts;
    // The requests of one teacher switch, edit, insert and delete, in order.
    QStringList oneSwitch, onePost, oneInsert, oneDelete;
};

// Runs `work`; where there is a relay, names its requests into `names`.
void named(CountingRelay* relay, QStringList& names, const std::function<void()>& work)
{
    if (relay)
        relay->startNaming();
    work();
    if (relay)
        names = relay->stopNaming();
}

Run measureOn(const QString& connectionString, const QString& login, CountingRelay* relay, int rounds)
{
    TDM_MB dm;
    BenchSession session;
    dm.setSession(&session);
    startSession(dm, connectionString, login);
    Run run;
    // A server just started prepares its first statements slowly.
    for (int i = 0; i < rounds / 4; ++i)
        dm.showTeacher(i % 2 + 1);
    for (int i = 0; i < rounds; ++i)
        measure(run.switches, relay, [&] { dm.showTeacher(i % 2 + 1); });
    named(relay, run.oneSwitch, [&] { dm.showTeacher(1); });
    db::Dataset* publications = dm.ADOQ_Publication;
    publications->setCurrentRow(0);
    db::Field& note = publications->fieldByName(QStringLiteral("Primech"));
    const QVariant original = note.value();
    for (int i = 0; i < rounds; ++i) {
        publications->edit();
        note.setValue(QStringLiteral("Заметка для замера %1").arg(i % 2));
        measure(run.posts, relay, [&] { publications->post(); });
    }
    publications->edit();
    note.setValue(original);
    named(relay, run.onePost, [&] { publications->post(); });
    // New rows, each deleted again.
    for (int i = 0; i <= rounds; ++i) {
        publications->append();
        publications->fieldByName(QStringLiteral("theme")).setValue(QStringLiteral("Публикация для замера"));
        if (i < rounds)
            measure(run.inserts, relay, [&] { publications->post(); });
        else
            named(relay, run.oneInsert, [&] { publications->post(); });
        // Only the row just added goes.
        if (publications->fieldByName(QStringLiteral("theme")).asString() != QStringLiteral("Публикация для замера"))
            qFatal("the new publication is not the current row");
        if (i < rounds)
            publications->deleteRecord();
        else
            named(relay, run.oneDelete, [&] { publications->deleteRecord(); });
    }
    return run;
}

// The baselines over the same link: the five reads, and the one-row update.
Run measurePlain(const QString& host, int port, CountingRelay& relay, int rounds)
{
    QSqlDatabase plain = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("bench-plain-tds"));
    plain.setDatabaseName(QStringLiteral("DRIVER={FreeTDS};SERVER=%1;PORT=%2;DATABASE=QEL;UID=qel_demo;PWD=Dm7419kq;"
                                         "TDS_Version=7.4;ClientCharset=UTF-8;")
                              .arg(host)
                              .arg(port));
    if (!plain.open())
        qFatal("the plain connection over TDS: %s", qPrintable(plain.lastError().text()));
    Run run;
    for (int i = 0; i < rounds; ++i)
        measure(run.switches, &relay, [&] {
            for (const QString& statement : teacherStatements(i % 2 + 1))
                readEveryValue(plain, statement);
        });
    const QVariant key = [&] {
        QSqlQuery first(plain);
        first.exec(QStringLiteral("SELECT MIN(id_publication) FROM dbo.Publication WHERE id_teacher = 1"));
        return first.next() ? first.value(0) : QVariant();
    }();
    // As one statement in autocommit, the key written into it.
    const QString statement =
        QStringLiteral("UPDATE dbo.Publication SET Pages = Pages WHERE id_publication = %1").arg(key.toInt());
    QSqlQuery update(plain);
    update.setForwardOnly(true);
    for (int i = 0; i < rounds; ++i)
        measure(run.posts, &relay, [&] {
            if (!update.exec(statement))
                qFatal("the plain update: %s", qPrintable(update.lastError().text()));
        });
    update.finish();
    plain.close();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    controls::Application app(argc, argv);
    const QString host = qEnvironmentVariable("QEL_TDS_HOST", QStringLiteral("127.0.0.1"));
    const int port = qEnvironmentVariableIntValue("QEL_TDS_PORT");
    if (port == 0) {
        std::printf("tds: not measured: no T-SQL server given (QEL_TDS_PORT is not set)\n");
        return 0;
    }
    constexpr int rounds = 40;
    CountingRelay relay(host, port);
    const QString overRelay = QStringLiteral("127.0.0.1,%1").arg(relay.port());
    const Run tds = measureOn(oleDbString(overRelay, QStringLiteral("QEL")), QStringLiteral("demo"), &relay, rounds);
    const Run plain = measurePlain(QStringLiteral("127.0.0.1"), relay.port(), relay, rounds);
    const Run embedded = measureOn(benchConnectionString(benchDatabasePath(0.02)), QStringLiteral("bench"), nullptr, rounds);

    std::printf("teacher switch: TDS %.2f ms in %.0f round trips (plain reads %.2f ms in %.0f), embedded %.2f ms\n",
                tds.switches.medianSeconds() * 1e3, tds.switches.medianTrips(), plain.switches.medianSeconds() * 1e3,
                plain.switches.medianTrips(), embedded.switches.medianSeconds() * 1e3);
    std::printf("post: TDS %.2f ms in %.0f round trips (plain update %.2f ms in %.0f), embedded %.2f ms\n",
                tds.posts.medianSeconds() * 1e3, tds.posts.medianTrips(), plain.posts.medianSeconds() * 1e3,
                plain.posts.medianTrips(), embedded.posts.medianSeconds() * 1e3);
    std::printf("insert: TDS %.2f ms in %.0f round trips, embedded %.2f ms\n", tds.inserts.medianSeconds() * 1e3,
                tds.inserts.medianTrips(), embedded.inserts.medianSeconds() * 1e3);
    const auto list = [](const char* what, const QStringList& requests) {
        std::printf("the round trips of %s over TDS:\n", what);
        for (const QString& request : requests)
            std::printf("  %s\n", qPrintable(request));
    };
    list("a teacher switch", tds.oneSwitch);
    list("an edit's post", tds.onePost);
    list("an insert's post", tds.oneInsert);
    list("a delete", tds.oneDelete);
    printRatioLine("tds_choose_teacher", tds.switches.medianSeconds() / plain.switches.medianSeconds(), 3.0);
    printRatioLine("tds_post", tds.posts.medianSeconds() / plain.posts.medianSeconds(), 8.0);
    return 0;
}
