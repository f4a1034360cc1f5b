// Opens an SQLite table in a table view and prints what the script checks:
// the row read back (Cyrillic through Qt's SQLite driver), the SQL drivers,
// the platform plugin, the libraries' versions and how many fonts were found.
#include <QApplication>
#include <QFontDatabase>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTableView>
#include <cstdio>
#include <jpeglib.h>
#include <sqlite3.h>
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    auto db = QSqlDatabase::addDatabase("QSQLITE");
    db.setDatabaseName(":memory:");
    if (!db.open()) { std::puts("cannot open"); return 1; }
    QSqlQuery q;
    q.exec("create table t(id integer primary key, name text)");
    q.exec(QString::fromUtf8("insert into t(name) values('Привет, мир')"));
    QSqlTableModel model; model.setTable("t"); model.select();
    QTableView view; view.setModel(&model); view.show();
    app.processEvents();
    std::printf("row: %s\n", model.data(model.index(0, 1)).toString().toUtf8().constData());
    std::printf("drivers: %s\n", QSqlDatabase::drivers().join(", ").toUtf8().constData());
    std::printf("platform: %s, sqlite %s, libjpeg %d, font families %d\n",
                qPrintable(QGuiApplication::platformName()), sqlite3_libversion(), JPEG_LIB_VERSION,
                int(QFontDatabase::families().size()));
    return model.rowCount() == 1 ? 0 : 1;
}
