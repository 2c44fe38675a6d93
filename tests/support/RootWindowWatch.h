#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>

typedef struct _XDisplay Display;

// A client of its own on a test X server that hears what programs tell the desktop through the
// root window: the startup-notification messages ("new: ...", "remove: ID=..."). It also reads
// the server's clock, as a launcher does to stamp a startup id with the user's action.
class RootWindowWatch {
public:
    // Connects to the display; isConnected() tells whether that worked.
    explicit RootWindowWatch(const QString& display);
    ~RootWindowWatch();
    RootWindowWatch(const RootWindowWatch&) = delete;
    RootWindowWatch& operator=(const RootWindowWatch&) = delete;

    bool isConnected() const { return m_display != nullptr; }

    // Every complete startup message heard so far, oldest first.
    QStringList startupMessages();

    // The server's time now, in milliseconds as X timestamps count.
    std::uint32_t serverTime();

private:
    void readPendingEvents();

    Display* m_display = nullptr;
    unsigned long m_clockWindow = 0;
    unsigned long m_startupInfoBegin = 0;
    unsigned long m_startupInfo = 0;
    QHash<unsigned long, QByteArray> m_partial; // by sending window
    QStringList m_messages;
};
