#pragma once
#include "db/errors.h"

#include <QString>

#include <functional>
#include <optional>

// The message of the database error an action raises; empty when it raises none.
inline QString refusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const db::DatabaseError& error) {
        return error.message();
    }
    return {};
}

// The kind of the database error an action raises; nullopt when it raises none.
inline std::optional<db::DatabaseError::Kind> refusalKind(const std::function<void()>& action)
{
    try {
        action();
    } catch (const db::DatabaseError& error) {
        return error.kind();
    }
    return std::nullopt;
}
