#include "csv_reader.h"
#include "demo_database.h"
#include "lasting_process.h"

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
    ToolRun run(const QStringList& arguments, const QByteArray& passwords = "gate2026\ndemo2026\n") const
    {
        QProcess& tool = testing_support::lastingProcess();
        tool.setProgram(QStringLiteral(QEL_REPORT));
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

} // namespace
