#pragma once

#include <QObject>
#include <QStringList>

class QUrl;

// Stands in for the desktop's handlers of the link schemes while it lives, so that tests see what
// would have been opened and no browser starts.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    explicit UrlRecorder(const QStringList& schemes);
    ~UrlRecorder() override;

    QStringList opened;

public slots:
    void open(const QUrl& url);

private:
    QStringList m_schemes;
};
