// test_bench.h: what a widget test needs around the real windows: scripted boxes, settings in a
// temporary INI file, an application folder in a temporary folder, a recording run, a recording
// browser and a count of the application's ends. Not part of the library.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "ui/database_access.h"
#include "ui/fake_dialogs.h"
#include "ui/replacement_runner.h"
#include "ui/window_context.h"

namespace ui {

inline QString corpusFile(const char* relative) {
  return QString::fromUtf8(FIELDMEND_CORPUS_DIR) + "/" + relative;
}

class RecordingOpener : public app::UrlOpener {
 public:
  std::vector<std::string> opened;
  bool open(const std::string& url) override {
    opened.push_back(url);
    return true;
  }
};

// Records each request; runs `script` on the surface (the default asks for the selection and
// walks three rows of every selected table, honouring Cancel).
class RecordingRunner : public ReplacementRunner {
 public:
  std::vector<RunRequest> requests;
  std::function<void(const RunRequest&, RunSurface&)> script;
  void run(const RunRequest& request, RunSurface& surface) override {
    requests.push_back(request);
    if (script) {
      script(request, surface);
      return;
    }
    if (request.currentIndex == -1) {
      surface.notice("Please select a table");
      return;
    }
    surface.setBusy(true);
    for (const TableEntry& table : request.tables) {
      if (!table.selected) continue;
      for (std::uint64_t row = 0; row < 3 && !surface.cancelRequested(); ++row) {
        surface.progress(table.name, row, 3);
      }
    }
    surface.setBusy(false);
    surface.processEventsOnce();
    surface.notice("Done.");
  }
};

struct TestBench {
  QTemporaryDir temp;
  FakeDialogs dialogs;
  app::SettingsStore settings{temp.filePath("config/Fieldmend.ini")};
  EngineDatabaseAccess database;
  RecordingRunner runner;
  RecordingOpener opener;
  int quits = 0;
  WindowContext context{dialogs,
                        settings,
                        database,
                        runner,
                        opener,
                        temp.filePath("appfolder"),
                        [this] { ++quits; },
                        db::builtInEngineProbe,
                        [] { return 0.5; },
                        ""};

  TestBench() { QDir().mkpath(context.appFolder); }

  // Copies a shipped file (from ui/share) into the application folder.
  void ship(const QString& name, const QString& as = QString()) {
    const QString target = context.appFolder + "/" + (as.isEmpty() ? name : as);
    QDir().mkpath(QFileInfo(target).absolutePath());
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(FIELDMEND_SHARE_DIR) + "/" + name, target));
  }
  // A copy of a corpus file in the temporary folder, so that nothing touches the corpus.
  QString copyOf(const char* corpusRelative, const QString& name) {
    const QString target = temp.filePath(name);
    EXPECT_TRUE(QFile::copy(corpusFile(corpusRelative), target));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
  }
  void write(const QString& key, const QString& value) {
    ASSERT_TRUE(settings.write(key, value).ok());
  }
  QString read(const QString& key) { return settings.read(key, "<absent>").value(); }
};

}  // namespace ui
