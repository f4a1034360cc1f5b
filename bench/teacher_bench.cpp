// Choosing a teacher against the same five statements run as plain
// forward-only QSqlQuery loops, on 5,000 teachers, 100,000 publications and
// 50,000 language rows (limit 2 x), measured twice:
//  - choose_teacher: the five teacher-bound datasets of the data module
//    reopened on the teacher, every field of every row read, lookups included;
//  - choose_teacher_window: the same through the main window's teacher
//    picker, with the grids, navigators and memos following.
#include "bench_support.h"

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
std::vector<double> datasetTimes;
std::vector<double> datasetPlainTimes;
int nextTeacher = 1;

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
            startSession(dataModule, benchConnectionString(benchDatabasePath()), QStringLiteral("bench"));
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

// The same teacher's rows through plain queries (the statements as SQLite
// takes them: without the catalog and schema names).
double plainSeconds(int teacher)
{
    QSqlDatabase plain = QSqlDatabase::database(QStringLiteral("bench-plain"));
    return processSecondsOf([&] {
        for (const QString& statement : teacherStatements(teacher))
            readEveryValue(plain, statement);
    });
}

int takeTeacher()
{
    const int teacher = nextTeacher;
    nextTeacher = nextTeacher % 4999 + 1 + 97 % 13;
    return teacher;
}

// The data module's teacher rule, as the main window runs it, then every
// field of every row read.
void reopenOn(TDM_MB& dm, int teacher)
{
    dm.showTeacher(teacher);
    for (db::Dataset* dataset : dm.teacherBoundDatasets())
        for (const auto& field : dataset->fields())
            for (int row = 0; row < dataset->recordCount(); ++row)
                benchmark::DoNotOptimize(field->displayTextAt(row));
}

// The signed-in user of the benchmark database, without a main window.
struct BenchSession : SessionState {
    QVariant currentTeacherKey() const override { return 1; }
    QString signedInLogin() const override { return QStringLiteral("bench"); }
    void setSignedInLogin(const QString&) override {}
};

void ChooseTeacher(benchmark::State& state)
{
    static TDM_MB dm;
    static BenchSession session;
    static const bool opened = [] {
        dm.setSession(&session);
        // The lookup datasets, as after a sign-in.
        startSession(dm, benchConnectionString(benchDatabasePath()), QStringLiteral("bench"));
        return true;
    }();
    benchmark::DoNotOptimize(opened);
    for (auto _ : state) {
        const int teacher = takeTeacher();
        const double seconds = processSecondsOf([&] { reopenOn(dm, teacher); });
        state.SetIterationTime(seconds);
        datasetTimes.push_back(seconds);
        datasetPlainTimes.push_back(plainSeconds(teacher));
    }
}

void ChooseTeacherWindow(benchmark::State& state)
{
    Program& p = program();
    for (auto _ : state) {
        const int teacher = takeTeacher();
        const double seconds = processSecondsOf([&] { p.form->DBLookupComboboxEh1->setKeyValue(teacher); });
        state.SetIterationTime(seconds);
        chooseTimes.push_back(seconds);
        plainTimes.push_back(plainSeconds(teacher));
    }
}

} // namespace

BENCHMARK(ChooseTeacher)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(ChooseTeacherWindow)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

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
    std::printf("median datasets %.3f ms, window %.3f ms, plain %.3f ms\n", median(datasetTimes) * 1e3,
                median(chooseTimes) * 1e3, median(plainTimes) * 1e3);
    printRatioLine("choose_teacher", median(datasetTimes) / median(datasetPlainTimes), 2.0);
    printRatioLine("choose_teacher_window", median(chooseTimes) / median(plainTimes), 2.0);
    program().form.reset();
    DM_MB = nullptr;
    return 0;
}
