#pragma once
// Waits for a coroutine in a nested event loop and passes on what it threw (QCoro's own waitFor
// would hang on an exception). For command-line tools and tests, never for the app's main loop.
#include <QCoroTask>
#include <QEventLoop>

#include <exception>
#include <optional>

namespace parlix::coro {

namespace detail {
template <typename T>
QCoro::Task<> drive(QCoro::Task<T> task, std::optional<T> &result, std::exception_ptr &error, QEventLoop &loop, bool &done)
{
    try {
        result.emplace(co_await std::move(task));
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

inline QCoro::Task<> driveVoid(QCoro::Task<> task, std::exception_ptr &error, QEventLoop &loop, bool &done)
{
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}
} // namespace detail

template <typename T>
T waitFor(QCoro::Task<T> task)
{
    QEventLoop loop;
    bool done = false;
    std::exception_ptr error;
    if constexpr (std::is_void_v<T>) {
        detail::driveVoid(std::move(task), error, loop, done);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<T> result;
        detail::drive(std::move(task), result, error, loop, done);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

} // namespace parlix::coro
