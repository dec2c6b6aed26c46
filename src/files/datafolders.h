#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace eqset {

// Where the program keeps what it writes: the settings store TarnDB.mdb and
// the folder "用户数据" with the technician's files, reports and pictures.
//
// A program folder (the executable's) that can be written is their home, so a
// copy of the program carried on a stick keeps its settings with it. An
// installed program's folder cannot be written by its user; then the home is
// the user's data folder, and a store that came with the program folder is
// read as the starting record until the first one is saved there.
struct DataFolders {
  QString program;  // the executable's folder
  QString user;     // the user's data folder for EQSet
  QString home;     // program or user: where the store and "用户数据" live

  // Everything in one folder, as in a build folder or a test.
  static DataFolders portable(const QString& folder) { return {folder, folder, folder}; }

  // The store the program reads and "确认并重启" writes.
  QString storePath() const;
  // A store read when the home holds none yet; empty when the home is the
  // program folder.
  QString startingStorePath() const;
  // Folders searched for port links ports/comN, in order.
  QStringList portFolders() const;
};

// Whether the program may create files in `folder`.
using FolderWritable = std::function<bool(const QString& folder)>;

// Chooses the home: `programFolder` when `writable` says so, else `userFolder`.
DataFolders chooseDataFolders(const QString& programFolder, const QString& userFolder,
                              const FolderWritable& writable);

// Tries it: creates and removes a file in `folder`. A folder's mode is not the
// answer: root writes anywhere, and a read-only mount says no whatever the mode.
bool folderWritable(const QString& folder);

// The user's data folder: Qt's AppDataLocation, which names the application;
// main() names it "EQSet", with no organization. On Linux that is
// $XDG_DATA_HOME/EQSet, by default ~/.local/share/EQSet.
QString userDataLocation();

}  // namespace eqset
