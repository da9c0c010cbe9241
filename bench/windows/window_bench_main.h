#pragma once
// The main function of the window benchmarks: the offscreen platform, an
// application of the program's names, and settings in a temporary folder
// of their own, so that a run never reads or writes the user's.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "windows/base/platform.h"

inline int RunWindowBenchmarks(int argc, char** argv)
{
    // As the program does before its first window.
    KeepFreedMemoryForReuse();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
