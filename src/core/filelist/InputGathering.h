#pragma once

#include "filelist/FileQueue.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Turns what the user names -- files, folders, CUE sheets -- into what the queue holds. An album
// image that has a CUE sheet (a .cue file beside it, or one in its own APE tag) becomes one item
// per track, unless images are to stay whole. A path that is there but is no regular file (a FIFO,
// a device, a folder, a socket), given or found, is never read: it is a problem.
struct GatherOptions {
    bool splitImages = true;
    QString cueEncoding;  // a sheet's text encoding; empty: found out from the text
    QStringList extensions = {QStringLiteral("ape")};  // what a folder is searched for
    std::function<void()> yield;                       // runs while a folder is searched
    // Each item of a folder gets the folder's name and its path under it as its subfolder, so
    // the results mirror the tree.
    bool mirrorFolders = false;
};

struct Gathered {
    QList<FileQueue::Item> items;
    QList<QPair<QString, QString>> problems;  // a path that gives nothing to convert, and why
    QStringList warnings;  // what was left out or done otherwise, and why (a sheet skipped, ...)
};

// A file named on its own: a .cue gives its tracks (its images whole with splitImages off); a
// Monkey's Audio image with a sheet in its tag gives its tracks; anything else is itself.
Gathered gatherFile(const QString& path, const GatherOptions& options);

// Every file of a folder tree with one of the options' extensions, as SearchFolder finds them;
// with splitImages, the CUE sheets in it give their tracks in place of their images (the sheet's
// tracks stand where the sheet is found), and images with a sheet in their tag give theirs.
// When two sheets describe one image ("img.cue" and "img.ape.cue" beside "img.ape"), only the
// one whose name fits the image best gives its tracks: the image's name with ".cue" added, then
// the image's base name with ".cue", then the first in the folder's order; each other one is
// named in a warning. A sheet in an image's tag that cannot be read is a warning too, and the
// image converts whole.
Gathered gatherFolder(const QString& folder, const GatherOptions& options);
