#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

#include "plot_data.h"
#include "plot_reader.h"

// Which file a path named when it was read: a file replaced under the same name is another.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A file being plotted: its rows, the reader that goes on where it stopped, and how far it read.
// The file is only ever opened for reading, without a lock, so a recording into it goes on
// untouched.
class PlotFile
{
  public:
    PlotFile() = default;
    PlotFile(const PlotFile&) = delete;
    PlotFile& operator=(const PlotFile&) = delete;

    // Reads `path` from its start to its end as it is now, in large blocks. Throws RuntimeError
    // when it cannot be read (or is no regular file); `cancel` stops it early, `done` tells the
    // bytes read so far.
    static std::unique_ptr<PlotFile> read(const QString& path,
                                          const std::atomic<bool>* cancel = nullptr,
                                          std::atomic<qint64>* done = nullptr);

    // Bytes that followed those read.
    void append(const QByteArray& bytes);

    QString path;
    FileIdentity identity;
    qint64 offset = 0;
    PlotData data;
    PlotReader reader{data};
};

// Why a file shows nothing, in one sentence after its name ("… holds nothing to plot: …"); empty
// when it has something.
QString nothingToPlot(const PlotData& data);

FileIdentity identityOf(const QString& path, qint64* size = nullptr); // {0, 0} when missing
