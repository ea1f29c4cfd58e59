// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programrun.h"
#include "rescueapp/rescuewindow.h"
#include "scriptedplatform.h"
#include "testsupport.h"
#include "treefiles.h"

#include <QDeadlineTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

namespace trelvick::testing {

using rescueapp::Column;
using Stage = rescueapp::RescueWindow::Stage;

inline const QByteArray kGreek = "Άνοιξη στην Αθήνα: οι μαθητές διαβάζουν ποιήματα του Καβάφη και του Σεφέρη,\r\n"
                                 "ενώ οι γονείς τους συζητούν για την οικονομία και τον καιρό.\r\n";
// The start of a PNG picture: NUL bytes and no text.
inline constexpr char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06";
// ΜΕΝΟΥ.TXT in 737: a name that is no UTF-8.
inline const QByteArray kName737 = "\x8b\x84\x8c\x8e\x93.TXT";

// The archive of an old machine: texts in each Greek codepage, one already in UTF-8, a picture, a link,
// and a name written in 737; a scripted platform; and the real rescue window, offscreen, on top.
struct RescueFixture : testsupport::TempFolder
{
    ScriptedPlatform platform;
    std::unique_ptr<rescueapp::RescueWindow> window;

    explicit RescueFixture(rescueapp::Language language = rescueapp::Language::English)
    {
        // The reports go where the test can look, never into the developer's own folder.
        qputenv("XDG_DATA_HOME", native(u"data"_qs));
        window = std::make_unique<rescueapp::RescueWindow>(
            platform, rescueapp::Phrasebook::open(QStringLiteral(TRELVICK_BUILD_LOCALE_DIR), language));
        window->setJobs(2);
    }
    ~RescueFixture()
    {
        window.reset();
        // QTemporaryDir cannot remove names that are no UTF-8.
        testsupport::removeTree(archive());
        testsupport::removeTree(native(u"out"_qs));
    }

    QByteArray archive() const { return native(u"archive"_qs); }
    QByteArray at(const QByteArray& name) const { return archive() + '/' + name; }
    static QByteArray in(const QByteArray& codepage) { return testsupport::iconvText(kGreek, "UTF-8", codepage); }

    bool writeArchive() const
    {
        return testsupport::makePath(archive() + "/web") && testsupport::writeBytes(at("LETTER.TXT"), in("CP737")) &&
               testsupport::writeBytes(at("OLD869.TXT"), in("CP869")) &&
               testsupport::writeBytes(at("win.txt"), in("CP1253")) &&
               testsupport::writeBytes(at("web/notes.txt"), in("ISO-8859-7")) &&
               testsupport::writeBytes(at("utf8.txt"), kGreek) &&
               testsupport::writeBytes(at("web/photo.png"), QByteArray(kPng, sizeof kPng - 1)) &&
               ::symlink("utf8.txt", at("link.txt").constData()) == 0 &&
               testsupport::writeBytes(at(kName737), in("CP737"));
    }

    QMap<QByteArray, QByteArray> snapshot() const
    {
        QMap<QByteArray, QByteArray> entries;
        testsupport::listInto(entries, archive(), {});
        return entries;
    }

    // Opens the archive and waits for its plan.
    bool scan(Stage until = Stage::Planned)
    {
        window->addInputs({archive()});
        return waitFor(until);
    }
    bool waitFor(Stage stage, int milliseconds = 60000) const
    {
        const QDeadlineTimer deadline(milliseconds);
        while (window->stage() != stage && !deadline.hasExpired())
            QTest::qWait(5);
        return window->stage() == stage;
    }

    template <typename T> T* find(const char* name) const { return window->findChild<T*>(QString::fromLatin1(name)); }
    void click(const char* name) const { find<QPushButton>(name)->click(); }
    QTableView* table() const { return find<QTableView>("plan"); }

    // The row of the plan showing this name ("archive/web/notes.txt"), or -1.
    int row(const QString& name) const
    {
        for (int r = 0; r < window->plan().rowCount(); ++r) {
            if (window->plan().shownName(r) == name)
                return r;
        }
        return -1;
    }
    QString cell(int r, Column column) const
    {
        return window->plan().data(window->plan().index(r, int(column)), Qt::DisplayRole).toString();
    }
    // Selects the rows of these names in the table, the first of them current.
    void select(const QStringList& names) const
    {
        QTableView* view = table();
        view->clearSelection();
        for (const QString& name : names) {
            const QModelIndex index = view->model()->index(0, 0).sibling(proxyRow(name), 0);
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            if (name == names.front())
                view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
    }
    int proxyRow(const QString& name) const
    {
        QAbstractItemModel* shown = table()->model();
        for (int r = 0; r < shown->rowCount(); ++r) {
            if (shown->index(r, int(Column::Name)).data().toString() == name)
                return r;
        }
        return -1;
    }
    QStringList problems() const
    {
        QStringList lines;
        auto* list = find<QListWidget>("problems");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
};

} // namespace trelvick::testing
