// Choosing a teacher in the main window (the five teacher-bound datasets
// reopened with their lookups) against the same five statements run as plain
// forward-only QSqlQuery loops, on 5,000 teachers, 100,000 publications and
// 50,000 language rows (limit 2 x).
#include "bench_database.h"

#include "controls/application.h"
#include "data/data_module.h"
#include "data/session_loading.h"
#include "ui/main_window.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::vector<double> chooseTimes;
std::vector<double> plainTimes;
int nextTeacher = 1;

double secondsOf(const std::function<void()>& work)
{
    const double start = processSeconds();
    work();
    return processSeconds() - start;
}

QStringList teacherStatements(int teacher)
{
    const QString key = QString::number(teacher);
    return {QStringLiteral("Select * from ScientificActivity where id_t_fio = ") + key,
            QStringLiteral("select * from Language_options where id_teacher = ") + key,
            QStringLiteral("SELECT *  FROM Publication WHERE id_teacher=") + key,
            QStringLiteral("SELECT *  FROM teacher_skills WHERE id_teacher=") + key,
            QStringLiteral("SELECT *  FROM [organization_member] WHERE id_teacher=") + key};
}

struct Program {
    TDM_MB dataModule;
    std::unique_ptr<TForm1> form;
    Program()
    {
        DM_MB = &dataModule;
        form = std::make_unique<TForm1>([this] {
            dataModule.ADOCon->setConnectionString(benchConnectionString(benchDatabasePath()));
            dataModule.ADOCon->open();
            dataModule.session()->setSignedInLogin(QStringLiteral("bench"));
            loadSessionData(dataModule);
            return true;
        });
        form->show();
        // The teacher list of the one year and department.
        form->DBLookupComboBox2->setKeyValue(1);
        form->DBLookupComboBox2Click();
        form->DBLookupComboBox1->setKeyValue(1);
        form->DBLookupComboBox1Click();
    }
};

Program& program()
{
    static Program shared;
    return shared;
}

void ChooseTeacher(benchmark::State& state)
{
    Program& p = program();
    for (auto _ : state) {
        const int teacher = nextTeacher;
        const double seconds = secondsOf([&] { p.form->DBLookupComboboxEh1->setKeyValue(teacher); });
        state.SetIterationTime(seconds);
        chooseTimes.push_back(seconds);
        state.PauseTiming();
        // The same teacher's rows through plain queries, right after.
        QSqlDatabase plain = QSqlDatabase::database(QStringLiteral("bench-plain"));
        const double baseline = secondsOf([&] {
            for (const QString& statement : teacherStatements(teacher)) {
                QSqlQuery query(plain);
                query.setForwardOnly(true);
                query.exec(statement);
                const int columns = query.record().count();
                while (query.next())
                    for (int i = 0; i < columns; ++i)
                        benchmark::DoNotOptimize(query.value(i));
            }
        });
        plainTimes.push_back(baseline);
        nextTeacher = nextTeacher % 4999 + 1 + 97 % 13;
        state.ResumeTiming();
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

BENCHMARK(ChooseTeacher)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    controls::Application app(argc, argv);
    QSqlDatabase plain = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-plain"));
    plain.setDatabaseName(benchDatabasePath());
    plain.open();
    program();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("median choose %.3f ms, plain %.3f ms\n", median(chooseTimes) * 1e3, median(plainTimes) * 1e3);
    printRatioLine("choose_teacher", median(chooseTimes) / median(plainTimes), 2.0);
    program().form.reset();
    DM_MB = nullptr;
    return 0;
}
