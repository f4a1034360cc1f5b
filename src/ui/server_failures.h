#pragma once
// What the program offers when the server fails a user's action, decided in
// this one place while the signed-in session lasts:
// - A lost connection: the user is asked once whether to reconnect (further
//   failures of the broken link while the question is open show nothing).
//   Reconnecting resumes the session (resumeSession): this session's own
//   connection string (the user's database login that the sign-in put on the
//   connection, held only in memory), the date format again, and every
//   dataset that was open read again with its statement, so at the same year,
//   department and teacher, keeping the record being edited or inserted with
//   its values: one post then saves it. Declining leaves everything as it
//   is; the next action that needs the server asks again.
// - A post refused because someone else changed or deleted the row: the user
//   is told so and may re-read the row from the server (dropping what they
//   typed) or keep editing.
// Every other failure goes to the error display as before.
#include <exception>
#include <functional>

class TDM_MB;

namespace db {
class Dataset;
class DatabaseError;
}

inline constexpr char kConnectionLostQuestion[] =
    "Соединение с сервером потеряно. Введённые данные остались в окне.\rПодключиться к серверу заново?";
inline constexpr char kReconnectFailed[] = "Не удалось подключиться к серверу заново:\r";
inline constexpr char kRowChangedQuestion[] =
    "Эту запись тем временем изменил или удалил другой пользователь, поэтому ваши изменения не сохранены.\r"
    "Перечитать запись с сервера? Ваши изменения будут потеряны.\r"
    "Нет: продолжить редактирование.";

namespace ui {

class ServerFailures {
public:
    // Takes over the failures above from the error display until destroyed.
    // `afterReconnect` runs once everything has been read again.
    explicit ServerFailures(TDM_MB& dataModule, std::function<void()> afterReconnect = {});
    ~ServerFailures();
    ServerFailures(const ServerFailures&) = delete;
    ServerFailures& operator=(const ServerFailures&) = delete;

    // True when the failure was dealt with here.
    bool handle(const std::exception& failure);

private:
    void offerReconnection();
    void offerReread(db::Dataset& dataset);

    TDM_MB& m_dataModule;
    std::function<void()> m_afterReconnect;
    bool m_asking = false;
};

} // namespace ui
