#include "TDownloadManager.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QWebEngineProfile>

// One download in the list: its file name, its progress and what became of it.
class TDownloadRow : public QFrame
{
public:
    TDownloadRow(QWebEngineDownloadRequest *download, QWidget *parent) : QFrame(parent)
    {
        setFrameShape(QFrame::StyledPanel);
        auto *layout = new QVBoxLayout(this);
        auto *top = new QHBoxLayout;
        m_name = new QLabel(download->downloadFileName(), this);
        m_name->setObjectName(QStringLiteral("lbName"));
        m_name->setTextFormat(Qt::PlainText); // the server names the file
        top->addWidget(m_name, 1);
        m_cancel = new QPushButton(QStringLiteral("取消"), this);
        m_cancel->setObjectName(QStringLiteral("btnCancel"));
        top->addWidget(m_cancel);
        layout->addLayout(top);
        m_progress = new QProgressBar(this);
        m_progress->setObjectName(QStringLiteral("pbProgress"));
        layout->addWidget(m_progress);
        m_state = new QLabel(this);
        m_state->setObjectName(QStringLiteral("lbState"));
        m_state->setTextFormat(Qt::PlainText);
        m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_state->setWordWrap(true);
        layout->addWidget(m_state);

        connect(m_cancel, &QPushButton::clicked, this, [this] {
            if (m_download)
                m_download->cancel();
        });
        Attach(download);
    }

    // The engine resumes a download that broke off as a new request of the same download.
    void Attach(QWebEngineDownloadRequest *download)
    {
        if (m_download)
            m_download->disconnect(this);
        m_download = download;
        connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this, &TDownloadRow::Update);
        connect(download, &QWebEngineDownloadRequest::totalBytesChanged, this, &TDownloadRow::Update);
        connect(download, &QWebEngineDownloadRequest::stateChanged, this, &TDownloadRow::Update);
        m_progress->show();
        m_cancel->show();
        Update();
    }

private:
    QString SizeText(qint64 bytes) const
    {
        return locale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    }
    void Update()
    {
        if (!m_download)
            return;
        const qint64 received = m_download->receivedBytes();
        const qint64 total = m_download->totalBytes();
        switch (m_download->state()) {
        case QWebEngineDownloadRequest::DownloadRequested:
        case QWebEngineDownloadRequest::DownloadInProgress:
            if (total > 0) {
                m_progress->setRange(0, 1000);
                m_progress->setValue(int(qBound(qint64(0), received * 1000 / total, qint64(1000))));
                m_state->setText(QStringLiteral("正在下载 %1 / %2")
                                         .arg(SizeText(received), SizeText(total)));
            } else {
                m_progress->setRange(0, 0); // size unknown: a busy bar
                m_state->setText(QStringLiteral("正在下载 %1").arg(SizeText(received)));
            }
            return;
        case QWebEngineDownloadRequest::DownloadCompleted:
            m_state->setText(QStringLiteral("下载完成：")
                             + QDir::toNativeSeparators(
                                     QDir(m_download->downloadDirectory()).filePath(m_download->downloadFileName())));
            break;
        case QWebEngineDownloadRequest::DownloadCancelled:
            m_state->setText(QStringLiteral("已取消"));
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            m_state->setText(QStringLiteral("下载失败：") + TDownloadManager::FailureText(m_download->interruptReason()));
            break;
        }
        m_progress->hide();
        m_cancel->hide();
        // The end of a download is news even when the list was closed meanwhile.
        if (QWidget *list = window()) {
            list->show();
            list->raise();
        }
    }

    QPointer<QWebEngineDownloadRequest> m_download;
    QLabel *m_name;
    QLabel *m_state;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
};

TDownloadManager::TDownloadManager(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("DownloadManager"));
    setWindowTitle(QStringLiteral("下载"));
    resize(420, 300);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto *list = new QWidget(scroll);
    m_rows = new QVBoxLayout(list);
    m_rows->addStretch(1);
    scroll->setWidget(list);
}

TDownloadManager::~TDownloadManager()
{
    for (QWebEngineDownloadRequest *download : findChildren<QWebEngineDownloadRequest *>()) {
        if (!download->isFinished())
            download->cancel();
    }
}

void TDownloadManager::Watch(QWebEngineProfile *profile)
{
    connect(profile, &QWebEngineProfile::downloadRequested, this, &TDownloadManager::takeDownload);
}

void TDownloadManager::takeDownload(QWebEngineDownloadRequest *download)
{
    // A page save is accepted already and writes the file the user chose for it.
    if (download->isSavePageDownload() || download->state() != QWebEngineDownloadRequest::DownloadRequested)
        return;
    // A download the user accepted, resumed after it broke off: it goes on where it was going.
    if (TDownloadRow *row = m_rowOf.value(download->id())) {
        download->setParent(this);
        row->Attach(download);
        download->accept();
        return;
    }
    // One question at a time: a page that starts download after download gets no pile of
    // dialogs. The engine needs the answer before this returns, so those are refused.
    if (m_asking) {
        download->cancel();
        return;
    }
    QPointer<TDownloadManager> alive(this);
    QPointer<QWebEngineDownloadRequest> request(download);
    m_asking = true;
    const QString path = askFileName(download->downloadFileName());
    if (!alive)
        return;
    m_asking = false;
    if (!request)
        return;
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    // Kept with the list: the row reads it, and it goes when the list goes.
    download->setParent(this);
    auto *row = new TDownloadRow(download, this);
    m_rowOf.insert(download->id(), row);
    m_rows->insertWidget(m_rows->count() - 1, row);
    download->accept();
    show();
    raise();
}

QString TDownloadManager::askFileName(const QString &suggestedName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QWidget *owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    QPointer<QFileDialog> dialog = new QFileDialog(owner, QStringLiteral("保存文件"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("所有文件 (*)"));
    dialog->setDirectory(folder);
    dialog->selectFile(QDir(folder).filePath(suggestedName));
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    const QString chosen = result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()
            ? dialog->selectedFiles().constFirst()
            : QString();
    delete dialog;
    return chosen;
}

QString TDownloadManager::FailureText(QWebEngineDownloadRequest::DownloadInterruptReason reason)
{
    using R = QWebEngineDownloadRequest;
    switch (reason) {
    case R::FileAccessDenied: return QStringLiteral("没有写入这个文件夹的权限");
    case R::FileNoSpace: return QStringLiteral("磁盘空间不足");
    case R::FileNameTooLong: return QStringLiteral("文件名太长");
    case R::FileTooLarge: return QStringLiteral("文件太大");
    case R::FileVirusInfected:
    case R::FileBlocked:
    case R::FileSecurityCheckFailed: return QStringLiteral("文件被安全检查拦截");
    case R::FileFailed:
    case R::FileTransientError:
    case R::FileTooShort:
    case R::FileHashMismatch: return QStringLiteral("无法写入文件");
    case R::NetworkTimeout: return QStringLiteral("网络超时");
    case R::NetworkDisconnected: return QStringLiteral("网络已断开");
    case R::NetworkServerDown: return QStringLiteral("服务器无法访问");
    case R::NetworkFailed:
    case R::NetworkInvalidRequest: return QStringLiteral("网络错误");
    case R::ServerFailed: return QStringLiteral("服务器出错");
    case R::ServerBadContent: return QStringLiteral("服务器上没有这个文件");
    case R::ServerUnauthorized:
    case R::ServerForbidden: return QStringLiteral("服务器拒绝了下载");
    case R::ServerCertProblem: return QStringLiteral("服务器的证书有问题");
    case R::ServerUnreachable: return QStringLiteral("服务器无法访问");
    case R::UserCanceled: return QStringLiteral("已取消");
    case R::NoReason: break;
    }
    // Reasons the engine reports that have no name in Qt's list.
    switch (int(reason)) {
    case 31: return QStringLiteral("服务器不支持接着下载");
    case 38: return QStringLiteral("文件没有下载完整");
    case 39: return QStringLiteral("下载被转到了别的网站");
    case 41: return QStringLiteral("程序已关闭");
    case 50: return QStringLiteral("浏览器组件意外终止");
    default: break;
    }
    return QStringLiteral("原因不明");
}
