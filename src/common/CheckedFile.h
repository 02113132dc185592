#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>

// Replaces a file only once its new content is wholly on disk. The bytes go
// to a temporary file beside the target (same folder, so the rename cannot
// cross file systems and a killed program leaves nothing elsewhere); every
// write, the flush, the sync and the close are checked, and only then is the
// temporary renamed over the target and the folder synced. On any failure the
// temporary is removed and the target stays byte for byte as it was.
//
// QSaveFile is not used: Qt 6.4 buffers its writes, and when the last of them
// hits a full disk at commit() it still renames the short file into place.
class CheckedFile
{
public:
    enum class Step { Open, Write, Flush, Sync, Close, Rename };
    // Test seam: asked before each step; a non-zero errno fails that step
    // with it, as if the system had answered so.
    using Faults = std::function<int(Step)>;

    struct Result {
        bool ok = true;
        int code = 0;   // errno or QFileDevice::FileError of the failing step
        QString path;   // the target
        QString reason; // "No space left on device"
        // "cannot write PATH: REASON"
        QString message() const;
        explicit operator bool() const { return ok; }
    };

    explicit CheckedFile(const QString &target, Faults faults = {});
    ~CheckedFile(); // an uncommitted temporary is removed
    CheckedFile(const CheckedFile &) = delete;
    CheckedFile &operator=(const CheckedFile &) = delete;

    // Creates the temporary (a new name, never an existing file).
    bool open();
    bool write(const QByteArray &bytes);
    // For a writer that wants a file name rather than a handle (the workbook
    // library): closes this handle; the other writer then fills
    // temporaryPath(), and commit() syncs and renames what it left there.
    QString handOver();
    QString temporaryPath() const { return m_temporary; }
    // Flush, sync, close, rename, sync the folder. False (and the target
    // untouched) when any of them failed.
    bool commit();
    // Drops the temporary; the target stays as it was.
    void cancel();

    Result result() const { return m_result; }

    // The whole file in one go.
    static Result replace(const QString &target, const QByteArray &bytes, Faults faults = {});

private:
    bool fault(Step step);
    bool fail(int code, const QString &reason);
    bool failFromFile();
    bool syncHandle();

    QString m_target;
    QString m_temporary;
    Faults m_faults;
    QFile m_file;
    bool m_handedOver = false;
    Result m_result;
};
