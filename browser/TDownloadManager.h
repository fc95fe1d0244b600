#pragma once

#include <QHash>
#include <QWebEngineDownloadRequest>
#include <QWidget>

class QVBoxLayout;
class QWebEngineProfile;
class TDownloadRow;

// The pages' downloads: a link with "download", a response sent as an attachment, a download a
// script starts. Each one is first offered to the user in a save dialog that suggests the
// server's file name in the user's download folder; nothing is written anywhere else, and a
// cancelled dialog writes nothing. An accepted download gets a row in this small window (shown
// when it starts and when it ends) with its progress, a button that cancels it, and at the end
// the file's path or why it failed. The page saves of the file menu are left as they are: the
// user has already chosen their file.
class TDownloadManager : public QWidget
{
    Q_OBJECT
public:
    // A tool window of `parent`.
    explicit TDownloadManager(QWidget *parent = nullptr);
    // Downloads still running are cancelled: nobody could see them any more.
    ~TDownloadManager() override;

    // Takes every download of `profile` from now on.
    void Watch(QWebEngineProfile *profile);

    // Why a download failed, for the user.
    static QString FailureText(QWebEngineDownloadRequest::DownloadInterruptReason reason);

private:
    void takeDownload(QWebEngineDownloadRequest *download);
    // The file the user chose for `suggestedName`; empty when the dialog was cancelled.
    QString askFileName(const QString &suggestedName);

    QVBoxLayout *m_rows = nullptr;
    QHash<quint32, TDownloadRow *> m_rowOf; // by the engine's download id
    bool m_asking = false;
};
