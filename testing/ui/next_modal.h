#pragma once
// Window tests: acts on the modal dialog that the next click or call opens, from inside
// its own event loop (the click itself does not return until the dialog closes).

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {

template <class T> void onNextModal(std::function<void(T&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

} // namespace velmora::testing
