#include "csv_reader.h"
#include "demo_database.h"
#include "lasting_process.h"
#include "small_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace {

const QString kFirstDepartment = QStringLiteral("Кафедра информационных систем и технологий");

struct ToolRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

class ReportTool : public ::testing::Test {
protected:
    // qel-report on the demo copy as the demo user, the passwords through
    // standard input.
    ToolRun run(const QStringList& arguments, const QByteArray& passwords = "gate2026\ndemo2026\n",
                const QString& program = QStringLiteral(QEL_REPORT)) const
    {
        QProcess& tool = testing_support::lastingProcess();
        tool.setProgram(program);
        tool.setArguments(QStringList{"--server", demo.dataSource(), "--database", "QEL", "--login", "qel_gate",
                                      "--password", "-", "--user", "demo", "--user-password", "-"}
                          + arguments);
        tool.start();
        tool.write(passwords);
        tool.closeWriteChannel();
        if (!tool.waitForFinished(60000))
            ADD_FAILURE() << "qel-report did not finish";
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()).toStdString(),
                QString::fromUtf8(tool.readAllStandardError()).toStdString()};
    }
    QString out(const QString& name) const { return QDir(folder.path()).filePath(name); }

    DemoDatabase demo;
    QTemporaryDir folder;
};

TEST_F(ReportTool, RefusesWhatIsNotTheUsersAndWritesNoFile)
{
    ToolRun result = run({"--year", "2023/2024", "--department", "Кафедра высшей математики", "--document",
                      "publications", "--format", "pdf", "--out", out("other.pdf")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("\"Кафедра высшей математики\" is not a department of the user \"demo\""));
    EXPECT_THAT(result.errors, HasSubstr(kFirstDepartment.toStdString()));

    result = run({"--year", "2009/2010", "--department", kFirstDepartment, "--document", "publications", "--format",
                  "csv", "--out", out("other.pdf")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("there is no academic year \"2009/2010\""));

    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--teacher",
                  "Фёдоров Максим Андреевич", "--format", "pdf", "--out", out("other.pdf")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("there is no teacher \"Фёдоров Максим Андреевич\""));

    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--format", "pdf",
                  "--out", out("other.pdf")},
                 "gate2026\nwrong\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("Неверный логин или пароль"));

    // GET_USER hands out no database login where the program would update
    // itself or must first have the password changed: the tool says so,
    // rather than failing to connect with an empty login.
    const QStringList profile{"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile",
                              "--format", "pdf", "--out", out("other.pdf")};
    demo.sql(QStringLiteral("update QEL_User set update_flag = 2 where QEL_login = 'demo'"));
    result = run(profile);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("GET_USER handed out no database login: it asks the program to update "
                                         "itself first (update flag 2)"));
    demo.sql(QStringLiteral("update QEL_User set update_flag = 0, password_term = -1 where QEL_login = 'demo'"));
    result = run(profile);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.errors, HasSubstr("the user's password has expired: change it in the program first"));
    // Update flag 1 is no update: the user signs in (the document is made below).
    demo.sql(QStringLiteral("update QEL_User set update_flag = 1, password_term = 60 where QEL_login = 'demo'"));
    result = run({"--year", "2009/2010", "--department", kFirstDepartment, "--document", "profile", "--format", "pdf",
                  "--out", out("other.pdf")});
    EXPECT_THAT(result.errors, HasSubstr("there is no academic year \"2009/2010\""));

    // csv is for the department's list only.
    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--format", "csv",
                  "--out", out("other.pdf")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.errors, HasSubstr("usage: qel-report"));

    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(ReportTool, WritesOneProfilePerTeacherOrTheOneNamedAndTheDepartmentsCsv)
{
    ToolRun result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--format",
                      "odt", "--out", out("profiles")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_THAT(result.output, HasSubstr("[1/10] Иванов Сергей Петрович: "));
    EXPECT_THAT(result.output, HasSubstr("[10/10] Титов Ярослав Игоревич: "));
    const QStringList files = QDir(out("profiles")).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 10);
    EXPECT_TRUE(files.contains("Иванов Сергей Петрович 2023-2024.odt"));

    // Two teachers named alike in one department: two files.
    demo.sql("INSERT INTO t_fio (id_teacher, t_fio) VALUES (900, 'Иванов Сергей Петрович')");
    demo.sql("INSERT INTO RRNKkrdt (id_a_year, id_kafedra, id_teacher) VALUES (16, 1, 900)");
    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--format",
                  "pdf", "--out", out("namesakes")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const QStringList namesakes = QDir(out("namesakes")).entryList(QDir::Files);
    EXPECT_EQ(namesakes.size(), 11);
    EXPECT_TRUE(namesakes.contains("Иванов Сергей Петрович 2023-2024.pdf"));
    EXPECT_TRUE(namesakes.contains("Иванов Сергей Петрович 2023-2024 (2).pdf"));

    // The list of works over the years chosen.
    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "works", "--teacher",
                  "Иванов Сергей Петрович", "--from", "2020", "--to", "2023", "--format", "csv", "--out",
                  out("works.csv")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    QFile works(out("works.csv"));
    ASSERT_TRUE(works.open(QIODevice::ReadOnly));
    const QList<QStringList> workRows = readCsv(works.readAll());
    ASSERT_EQ(workRows.size(), 3); // 2021 and 2023, not 2019
    EXPECT_EQ(workRows[1].value(0), "б) научные труды");
    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "works", "--from", "2024",
                  "--format", "pdf", "--out", out("works.pdf")});
    EXPECT_EQ(result.exitCode, 2); // --from without --to

    result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document", "profile", "--teacher",
                  "иванов сергей петрович", "--format", "pdf", "--out", out("one.pdf")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_THAT(result.output, HasSubstr("(1 page)"));
    QFile pdf(out("one.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));

    result = run({"--year", "2022/2023", "--department", kFirstDepartment, "--document", "publications", "--format",
                  "csv", "--out", out("year.csv")});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    QFile csv(out("year.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = readCsv(csv.readAll());
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].value(0), kFirstDepartment);
    EXPECT_EQ(rows[1].value(1), "2022/2023 учебный год");
    EXPECT_EQ(rows[1].value(2), "Иванов Сергей Петрович");
    EXPECT_EQ(rows[1].value(5), "Сервисная архитектура системы учёта научной деятельности");
}

// --out never replaces the tool itself or anything in its Data folder, by
// whatever path; a symbolic link at --out is replaced, not followed.
TEST_F(ReportTool, TheOutputIsNeverTheProgramsOwnFilesAndALinkIsNotFollowed)
{
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links and a copied program folder are tried on Linux";
#endif
    // A program folder of its own: should the refusal fail, nothing of the build is lost.
    const QDir program(out("program"));
    ASSERT_TRUE(QDir().mkpath(program.filePath("Data")));
    const QString tool = program.filePath("qel-report");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QEL_REPORT), tool));
    QFile settings(program.filePath("Data/QEL"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("the settings");
    settings.close();
    const QByteArray toolBytes = [&] {
        QFile file(tool);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_TRUE(QFile::link(program.path(), out("link-to-program")));
    const QStringList document{"--year", "2023/2024", "--department", kFirstDepartment, "--document", "publications"};
    for (const QString& target : {program.filePath("Data/QEL"), program.filePath("qel-report"),
                                  out("link-to-program") + "/Data/QEL", out("link-to-program") + "/qel-report",
                                  program.filePath("Data/new.pdf")}) {
        for (const QString format : {"pdf", "csv"}) {
            const ToolRun result = run(document + QStringList{"--format", format, "--out", target},
                                       "gate2026\ndemo2026\n", tool);
            EXPECT_EQ(result.exitCode, 1) << target.toStdString() << ' ' << format.toStdString() << result.output;
            EXPECT_THAT(result.errors, HasSubstr("nothing was written")) << result.errors;
        }
    }
    QFile kept(program.filePath("Data/QEL"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "the settings");
    QFile keptTool(tool);
    ASSERT_TRUE(keptTool.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptTool.readAll(), toolBytes);
    EXPECT_FALSE(QFile::exists(program.filePath("Data/new.pdf")));

    // Elsewhere a link at --out is replaced by the file, dangling or not.
    QFile victim(out("victim.txt"));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("not to be overwritten");
    victim.close();
    ASSERT_TRUE(QFile::link(out("victim.txt"), out("link.pdf")));
    ASSERT_TRUE(QFile::link(out("nowhere.pdf"), out("dangling.pdf")));
    for (const QString& link : {out("link.pdf"), out("dangling.pdf")}) {
        const ToolRun result = run(document + QStringList{"--format", "pdf", "--out", link});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
    ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
    EXPECT_EQ(victim.readAll(), "not to be overwritten");
    EXPECT_FALSE(QFile::exists(out("nowhere.pdf")));
}

// A file that cannot be written (a full disk) is a failure: exit code 1, the
// file and the reason named, nothing said to be written, the old file kept.
TEST_F(ReportTool, AFullDiskIsAFailureAndTheOldFileStays)
{
    const testing_support::SmallDisk disk("report-tool");
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    const QDir full(QString::fromStdString(disk.folder().string()));
    for (const QString name : {"year.csv", "year.odt", "year.pdf"}) {
        QFile old(full.filePath(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old file");
    }
    disk.fill();
    for (const QString format : {"csv", "odt", "pdf"}) {
        const QString path = full.filePath("year." + format);
        const ToolRun result = run({"--year", "2023/2024", "--department", kFirstDepartment, "--document",
                                    "publications", "--format", format, "--out", path});
        EXPECT_EQ(result.exitCode, 1) << format.toStdString() << ": " << result.output;
        EXPECT_THAT(result.output, ::testing::Not(HasSubstr("Wrote")));
        EXPECT_THAT(result.errors, HasSubstr(QDir::toNativeSeparators(path).toStdString()));
        EXPECT_THAT(result.errors, HasSubstr("No space left on device"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "the old file") << format.toStdString();
    }
}

} // namespace
