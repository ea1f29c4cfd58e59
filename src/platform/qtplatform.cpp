// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtplatform.h"

#include "files/posixfile.h"
#include "lang/errortext.h"
#include "platform/processes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>

#include <cerrno>

namespace trelvick::platform {

namespace {
// The help files are a few dozen KiB; anything far larger is no help file.
constexpr std::int64_t kMaxHelpSize = std::int64_t(16) * 1024 * 1024;
} // namespace

QtPlatform::QtPlatform(QString lockFolder) : m_lockFolder(std::move(lockFolder)) {}
QtPlatform::~QtPlatform() = default;

QString QtPlatform::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

base::Expected<bool> QtPlatform::anotherInstanceRunning()
{
    QString folder = m_lockFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    m_instanceLock = std::make_unique<QLockFile>(folder + u"/trelvick.lock"_qs);
    // A lock left by a crashed copy names a dead process; QLockFile takes such locks over.
    m_instanceLock->setStaleLockTime(0);
    errno = 0;
    if (m_instanceLock->tryLock(0))
        return false;
    // QLockFile keeps only a category; the failed creation left its reason in errno.
    const int reason = errno;
    switch (m_instanceLock->error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return true;
    case QLockFile::PermissionError:
        return base::Error::system(reason != 0 ? reason : EACCES);
    case QLockFile::UnknownError:
        break;
    }
    return base::Error::system(reason != 0 ? reason : EIO);
}

void QtPlatform::setApplicationTitle(const QString& title)
{
    // Not the display name: Qt would append that to every box title ("Trelvick - Trelvick — ...").
    QCoreApplication::setApplicationName(title);
}

void QtPlatform::beep()
{
    QApplication::beep();
}

namespace {

QMessageBox::Icon toQtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer QtPlatform::messageBox(const MessageBoxRequest& request)
{
    QMessageBox box(toQtIcon(request.icon), request.title, request.text, QMessageBox::NoButton, m_window);
    // Boxes show their text as typed; CR LF pairs are line breaks.
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == Buttons::Ok) {
        QPushButton* ok = box.addButton(request.labels.ok, QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return Answer::Ok;
    }
    QPushButton* yes = box.addButton(request.labels.yes, QMessageBox::YesRole);
    QPushButton* no = box.addButton(request.labels.no, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
}

FileDialogResult QtPlatform::openFiles(const FileDialogRequest& request)
{
    QFileDialog dialog(m_window, request.title, request.folder, request.filter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted)
        return {FileDialogResult::Cancelled, {}, {}};
    return {FileDialogResult::Chosen, dialog.selectedFiles(), {}};
}

namespace {

// Qt's own dialog takes a typed name in a folder that does not exist, or a file that cannot be
// written, and the conversion would only fail later. This one says why and stays open. Qt's
// overwrite question still comes after these checks.
class SaveDialog final : public QFileDialog
{
public:
    SaveDialog(QWidget* parent, const FileDialogRequest& request)
        : QFileDialog(parent, request.title, request.folder, request.filter), m_language(request.language)
    {
        // A native dialog would already be gone when accept() refuses.
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::AnyFile);
        setAcceptMode(QFileDialog::AcceptSave);
    }

    void accept() override
    {
        const QStringList names = selectedFiles();
        if (!names.isEmpty()) {
            const QFileInfo chosen(names.front());
            QString refusal;
            if (!chosen.isDir() && !QFileInfo(chosen.absolutePath()).isDir())
                refusal = lang::outputFolderMissing(m_language, QDir::toNativeSeparators(chosen.absolutePath()));
            else if (chosen.exists() && !chosen.isDir() && !chosen.isWritable())
                refusal = lang::outputFileReadOnly(m_language, QDir::toNativeSeparators(chosen.absoluteFilePath()));
            if (!refusal.isEmpty()) {
                QMessageBox box(QMessageBox::Warning, windowTitle(), refusal, QMessageBox::NoButton, this);
                box.setTextFormat(Qt::PlainText);
                box.setDefaultButton(box.addButton(lang::buttonTexts(m_language).ok, QMessageBox::AcceptRole));
                box.exec();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    lang::Language m_language;
};

} // namespace

FileDialogResult QtPlatform::saveFile(const FileDialogRequest& request)
{
    SaveDialog dialog(m_window, request);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {FileDialogResult::Cancelled, {}, {}};
    const QStringList names = dialog.selectedFiles();
    return {FileDialogResult::Chosen, names.mid(0, 1), {}};
}

FileDialogResult QtPlatform::chooseFolder(const FileDialogRequest& request)
{
    QFileDialog dialog(m_window, request.title, request.folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {FileDialogResult::Cancelled, {}, {}};
    return {FileDialogResult::Chosen, dialog.selectedFiles().mid(0, 1), {}};
}

QString QtPlatform::inputBox(const InputBoxRequest& request)
{
    QInputDialog dialog(m_window);
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(request.prompt);
    dialog.setTextValue({});
    dialog.setOkButtonText(request.labels.ok);
    dialog.setCancelButtonText(request.labels.cancel);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

void QtPlatform::showHelp(const QString& path, lang::Language language)
{
    // One window per request, not tracked: it lives until the user closes it or the program ends.
    auto* viewer = new QTextBrowser;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setObjectName(u"helpViewer"_qs);
    viewer->setOpenExternalLinks(true);
    viewer->resize(640, 560);
    const base::Expected<QByteArray> help = files::readSmallFile(path, kMaxHelpSize);
    if (help) {
        viewer->setSearchPaths({QFileInfo(path).absolutePath()});
        viewer->setHtml(QString::fromUtf8(*help));
        viewer->setWindowTitle(viewer->documentTitle().isEmpty() ? QFileInfo(path).fileName()
                                                                 : viewer->documentTitle());
    } else {
        viewer->setWindowTitle(QFileInfo(path).fileName());
        viewer->setPlainText(path + u"\n\n"_qs + lang::errorText(help.error(), language));
    }
    if (m_window) {
        const QRect main = m_window->frameGeometry();
        viewer->move(main.right() + 8, main.top());
    }
    viewer->show();
}

base::Error QtPlatform::startDetached(const QString& program, const QString& argument)
{
    return startProgramDetached(program, argument);
}

base::Error QtPlatform::runAndWait(const QString& program, const QString& argument)
{
    return runProgramAndWait(program, argument);
}

void QtPlatform::bringToFront(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void QtPlatform::processEvents()
{
    QCoreApplication::processEvents();
}

void QtPlatform::endProgram(int status)
{
    m_exitStatus = status;
    QCoreApplication::exit(status);
}

} // namespace trelvick::platform
