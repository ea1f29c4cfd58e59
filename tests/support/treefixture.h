// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the suites of whole folders share: files named in bytes, the tree as a map of its entries, and
// trelvick-convert run in this process with its streams in files.

#include "cli/cli.h"
#include "testsupport.h"
#include "treefiles.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::testsupport {

struct Ran
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class TreeFixture : public testing::Test, public TempFolder
{
protected:
    // QTemporaryDir cannot remove names that are no UTF-8.
    void TearDown() override
    {
        for (const char* name : {"in", "out"})
            removeTree(native(QString::fromLatin1(name)));
    }

    // In this process, as the program runs them; outputFd: standard output elsewhere than a file.
    Ran run(const QStringList& arguments, const QByteArray& input = {},
            lang::Language language = lang::Language::English, int outputFd = -1) const
    {
        write(QStringLiteral("stdin"), input);
        QFile in(path(QStringLiteral("stdin")));
        QFile out(path(QStringLiteral("stdout")));
        QFile err(path(QStringLiteral("stderr")));
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || !err.open(QIODevice::WriteOnly))
            return {};
        cli::Context context;
        context.inputFd = in.handle();
        context.outputFd = outputFd >= 0 ? outputFd : out.handle();
        context.language = language;
        context.errorFd = err.handle();
        Ran result;
        result.status = cli::run(arguments, context);
        result.out = read(QStringLiteral("stdout"));
        result.err = read(QStringLiteral("stderr"));
        return result;
    }

    QMap<QByteArray, QByteArray> snapshot(const QString& root) const
    {
        QMap<QByteArray, QByteArray> entries;
        listInto(entries, native(root), {});
        return entries;
    }
};

} // namespace trelvick::testsupport
