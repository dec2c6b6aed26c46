#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "fakeserialport.h"
#include "measure/periodictimer.h"
#include "scripteddialogs.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace bench {

// The real window on Com2 of a seeded simulated room, in virtual time, with
// the target ISO2969 and, when asked, the fast link: what the equalization
// benchmarks drive.
class BenchWindow {
 protected:
  BenchWindow(std::uint32_t seed, int sweepMs, bool fast = false)
      : model_(sim::ModelOptions{seed, sweepMs}) {
    port_.setPort(2, eqset::test::FakeSerialPort::PortState::Free);
    eqset::SettingsRecord record;
    record.U_Main_Com = "Com2";
    record.EqMode = "ISO2969";
    record.FastLink = fast ? "1" : "0";
    QString error;
    eqset::SettingsStore(QDir(folder_.path()).filePath(eqset::SettingsStore::kFileName))
        .save(record, &error);
    window_ = std::make_unique<eqset::MainWindow>(port_, clock_, dialogs_, folder_.path());
    window_->startUp();
  }

  // Virtual time runs while one of `timers` runs: a period passes, it ticks.
  void runTimers(std::initializer_list<eqset::PeriodicTimer*> timers) {
    for (int guard = 0; guard < 5000; ++guard) {
      eqset::PeriodicTimer* running = nullptr;
      for (eqset::PeriodicTimer* t : timers) {
        if (t->running()) running = running ? running : t;
      }
      if (!running) return;
      clock_.advance(running->period());
      running->fire();
    }
  }

  QTemporaryDir folder_;
  eqset::test::VirtualClock clock_;
  sim::ProcessorModel model_;
  eqset::test::FakeSerialPort port_{clock_, &model_};
  eqset::test::ScriptedDialogs dialogs_;
  std::unique_ptr<eqset::MainWindow> window_;
};

}  // namespace bench
