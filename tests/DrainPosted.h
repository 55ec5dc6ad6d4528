#pragma once

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

// Lets every event posted so far run: whatever a window postponed (its checks, its
// announcements, what a line edit does once its window is active) has happened after it.
inline void drainPosted() {
    bool reached = false;
    QMetaObject::invokeMethod(
        qApp, [&] { reached = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reached; }, 5000));
}
