#include "XvfbSession.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QtEndian>

namespace {

constexpr int toolDeadlineMs = 10'000;
// A new server compiles its keymap first, which on a loaded machine takes a while.
constexpr int serverStartDeadlineMs = 30'000;

quint32 bigEndianField(const QByteArray& data, int index) {
    return qFromBigEndian<quint32>(data.constData() + index * 4);
}

// Reads a TrueColor dump of 24 or 32 bits a pixel as xwd writes it: a big-endian header of 25
// fields, the window name, the colour map, then the pixels in the server's byte order.
QImage decodeXwd(const QByteArray& data) {
    if (data.size() < 100)
        return {};
    const quint32 headerSize = bigEndianField(data, 0);
    const int width = int(bigEndianField(data, 4));
    const int height = int(bigEndianField(data, 5));
    const bool lsbFirst = bigEndianField(data, 7) == 0;
    const quint32 bitsPerPixel = bigEndianField(data, 11);
    const quint32 bytesPerLine = bigEndianField(data, 12);
    const quint32 colourCount = bigEndianField(data, 19);
    const qsizetype pixelsStart = qsizetype(headerSize) + qsizetype(colourCount) * 12;
    const int bytesPerPixel = int(bitsPerPixel / 8);
    if ((bytesPerPixel != 3 && bytesPerPixel != 4) ||
        data.size() < pixelsStart + qsizetype(bytesPerLine) * height)
        return {};

    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(data.constData() + pixelsStart +
                                                          qsizetype(bytesPerLine) * y);
        for (int x = 0; x < width; ++x) {
            const uchar* bytes = line + x * bytesPerPixel;
            quint32 pixel = 0;
            for (int byte = 0; byte < bytesPerPixel; ++byte) {
                const int shift = lsbFirst ? byte * 8 : (bytesPerPixel - 1 - byte) * 8;
                pixel |= quint32(bytes[byte]) << shift;
            }
            image.setPixel(x, y, pixel | 0xFF000000u);
        }
    }
    return image;
}

} // namespace

XvfbSession::XvfbSession(WindowManager manager) : m_manager(manager) {}

XvfbSession::~XvfbSession() {
    StopProcess(m_windowManager.get());
    StopProcess(m_server.get());
}

bool XvfbSession::start() {
    m_server = std::make_unique<QProcess>();
    // Nobody reads the server's chatter (keymap warnings on every new client); captured, it
    // would fill the pipe and stall the server mid-test.
    m_server->setStandardErrorFile(QProcess::nullDevice());
    // -displayfd picks a free display number and writes it once the server accepts clients.
    // -noreset: by default the server resets whenever its last client leaves, and a program
    // connecting just then (while a test polls for its window) is turned away.
    m_server->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                     QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server->waitForStarted(toolDeadlineMs)) {
        m_error = QStringLiteral("Xvfb did not start: ") + m_server->errorString();
        return false;
    }
    QByteArray number;
    const QDeadlineTimer reported(serverStartDeadlineMs);
    while (!number.contains('\n')) {
        if (!m_server->waitForReadyRead(int(reported.remainingTime()))) {
            m_error = QStringLiteral("Xvfb did not report its display");
            return false;
        }
        number += m_server->readAllStandardOutput();
    }
    m_display = u':' + QString::fromLatin1(number.trimmed());
    return m_manager == WindowManager::Absent || startWindowManager();
}

bool XvfbSession::startWindowManager() {
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(environment());
    m_windowManager->setStandardOutputFile(QProcess::nullDevice());
    m_windowManager->setStandardErrorFile(QProcess::nullDevice());
    // Without compositing the screen read back is what the frames and windows drew, at once.
    m_windowManager->start(QStringLiteral("metacity"),
                           {QStringLiteral("--sm-disable"), QStringLiteral("--no-composite")});
    if (!m_windowManager->waitForStarted(toolDeadlineMs)) {
        m_error = QStringLiteral("metacity did not start: ") + m_windowManager->errorString();
        return false;
    }
    // The manager names its check window on the root once it manages the screen.
    const QDeadlineTimer deadline(toolDeadlineMs);
    while (!xprop({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id"))) {
        if (deadline.hasExpired() || m_windowManager->state() != QProcess::Running) {
            m_error = QStringLiteral("metacity did not take over the screen");
            return false;
        }
    }
    return true;
}

QProcessEnvironment XvfbSession::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

QString XvfbSession::runTool(const QString& program, const QStringList& arguments) const {
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(program, arguments);
    if (!tool.waitForFinished(toolDeadlineMs) || tool.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

QString XvfbSession::xdotool(const QStringList& arguments) const {
    return runTool(QStringLiteral("xdotool"), arguments);
}

QString XvfbSession::xprop(const QStringList& arguments) const {
    return runTool(QStringLiteral("xprop"), arguments);
}

QString XvfbSession::xwininfo(const QStringList& arguments) const {
    return runTool(QStringLiteral("xwininfo"), arguments);
}

QImage XvfbSession::grabScreen() const {
    QProcess dump;
    dump.setProcessEnvironment(environment());
    dump.start(QStringLiteral("xwd"), {QStringLiteral("-root"), QStringLiteral("-silent")});
    if (!dump.waitForFinished(toolDeadlineMs) || dump.exitCode() != 0)
        return {};
    return decodeXwd(dump.readAllStandardOutput());
}
