#pragma once
#include "db/errors.h"

#include <QString>

#include <functional>

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
