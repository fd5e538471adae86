#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A tile server for the tests, on 127.0.0.1 at a port of the system's choice: a small HTTP/1.1
// responder that serves GET /Z/X/Y.png with a PNG in the colour TileColour(Z, X, Y), and records
// every request it got. How it answers is set by the test.
class TileServer : public QObject
{
    Q_OBJECT

  public:
    enum class Answer {
        Tile,        // 200 with the tile; 304 to a request naming its ETag or date
        Always200,   // 200 with the tile, conditional or not
        NotFound,    // 404
        Unavailable, // 503
        Close,       // the connection closed without an answer
        Garbage,     // 200 with bytes that are no image
        Truncated,   // 200 with the tile cut short (Content-Length as sent)
        Moved,       // 301 to the same tile under /moved, which is served as Tile
    };

    struct Request {
        QString Path;
        QMap<QByteArray, QByteArray> Headers; // names in lower case
    };

    explicit TileServer(QObject* parent = nullptr);
    ~TileServer() override;

    [[nodiscard]] bool Start();
    [[nodiscard]] quint16 Port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:PORT/{z}/{x}/{y}.png"
    [[nodiscard]] QString UrlTemplate() const;

    void SetAnswer(Answer answer) { m_answer = answer; }
    // The Cache-Control header of the 200 and 304 answers; empty for none.
    void SetCacheControl(const QByteArray& value) { m_cacheControl = value; }
    // While held, requests are recorded but not answered until AnswerWaiting() or Release().
    void Hold() { m_hold = true; }
    // Answers the requests waiting, holding the later ones still.
    void AnswerWaiting();
    void Release();

    [[nodiscard]] const QList<Request>& Requests() const { return m_requests; }
    void ClearRequests() { m_requests.clear(); }
    // The most requests that were waiting for their answer at one time.
    [[nodiscard]] int MostOutstanding() const { return m_mostOutstanding; }
    [[nodiscard]] int Outstanding() const { return static_cast<int>(m_waiting.size()); }
    // The entity tag the server gives the tile at `path`.
    [[nodiscard]] static QByteArray ETagOf(const QString& path);
    static constexpr const char* kLastModified = "Mon, 02 Jan 2023 03:04:05 GMT";

  private:
    struct Waiting {
        QTcpSocket* Socket = nullptr;
        Request Asked;
    };
    void Accept();
    void Read(QTcpSocket* socket);
    [[nodiscard]] int CodeFor(const Request& request) const;
    void Respond(QTcpSocket* socket, const Request& request);
    [[nodiscard]] QByteArray Body(const QString& path) const;

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Request> m_requests;
    QList<Waiting> m_waiting;
    Answer m_answer = Answer::Tile;
    QByteArray m_cacheControl = "max-age=86400";
    bool m_hold = false;
    int m_mostOutstanding = 0;
};
