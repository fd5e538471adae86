#include "support/TileServer.h"

#include "support/TilePictures.h"

#include <QRegularExpression>
#include <QTcpSocket>

namespace {

constexpr int kTilePixels = 256;

QByteArray StatusLine(int code)
{
    switch (code) {
    case 200:
        return "HTTP/1.1 200 OK\r\n";
    case 301:
        return "HTTP/1.1 301 Moved Permanently\r\n";
    case 304:
        return "HTTP/1.1 304 Not Modified\r\n";
    case 404:
        return "HTTP/1.1 404 Not Found\r\n";
    default:
        return "HTTP/1.1 503 Service Unavailable\r\n";
    }
}

} // namespace

TileServer::TileServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TileServer::Accept);
}

TileServer::~TileServer()
{
    m_server.close();
    // A socket going away reports itself disconnected: nothing here may hear it any more.
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>()) {
        socket->disconnect(this);
        delete socket;
    }
}

bool TileServer::Start() { return m_server.listen(QHostAddress::LocalHost, 0); }

QString TileServer::UrlTemplate() const
{
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(Port());
}

QByteArray TileServer::ETagOf(const QString& path)
{
    return "\"" + path.toLatin1().replace('/', '-') + "\"";
}

void TileServer::Accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

// One request is its head: a GET has no body. An answer may close the socket, so the requests
// are parsed first and answered after.
void TileServer::Read(QTcpSocket* socket)
{
    QByteArray buffer = m_buffers.value(socket) + socket->readAll();
    QList<Request> complete;
    qsizetype end = 0;
    while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        Request request;
        request.Path = QString::fromLatin1(lines.value(0).split(' ').value(1));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                request.Headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
            }
        }
        complete.append(request);
    }
    m_buffers.insert(socket, buffer);
    for (const Request& request : complete) {
        m_requests.append(request);
        if (m_hold) {
            m_waiting.append(Waiting{socket, request});
            m_mostOutstanding = std::max(m_mostOutstanding, static_cast<int>(m_waiting.size()));
        } else if (m_buffers.contains(socket)) {
            m_mostOutstanding = std::max(m_mostOutstanding, 1);
            Respond(socket, request);
        }
    }
}

void TileServer::Release()
{
    m_hold = false;
    AnswerWaiting();
}

void TileServer::AnswerWaiting()
{
    const QList<Waiting> waiting = std::exchange(m_waiting, {});
    for (const Waiting& w : waiting) {
        if (m_buffers.contains(w.Socket)) {
            Respond(w.Socket, w.Asked);
        }
    }
}

QByteArray TileServer::Body(const QString& path) const
{
    static const QRegularExpression kTilePath(
        QStringLiteral("^(?:/moved)?/(\\d+)/(\\d+)/(\\d+)\\.png$"));
    const QRegularExpressionMatch match = kTilePath.match(path);
    if (!match.hasMatch()) {
        return {};
    }
    const std::string png = SolidPng(
        TileColour(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()),
        kTilePixels);
    return QByteArray::fromStdString(png);
}

int TileServer::CodeFor(const Request& request) const
{
    if (Body(request.Path).isEmpty()) {
        return 404;
    }
    const bool conditional = request.Headers.value("if-none-match") == ETagOf(request.Path) ||
                             request.Headers.value("if-modified-since") == kLastModified;
    const bool moved = request.Path.startsWith(QStringLiteral("/moved/"));
    if ((m_answer == Answer::Tile || moved) && conditional) {
        return 304;
    }
    if (m_answer == Answer::Moved && !moved) {
        return 301;
    }
    if (m_answer == Answer::NotFound || m_answer == Answer::Unavailable) {
        return m_answer == Answer::NotFound ? 404 : 503;
    }
    return 200;
}

void TileServer::Respond(QTcpSocket* socket, const Request& request)
{
    if (m_answer == Answer::Close) {
        socket->disconnectFromHost();
        return;
    }
    const int code = CodeFor(request);
    QByteArray body;
    if (code == 200) {
        body = Body(request.Path);
        if (m_answer == Answer::Garbage) {
            body = QByteArray(2000, 'x');
        } else if (m_answer == Answer::Truncated) {
            body.truncate(body.size() / 2);
        }
    }
    QByteArray head = StatusLine(code);
    head +=
        "Content-Type: image/png\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (code == 301) {
        head += "Location: /moved" + request.Path.toLatin1() + "\r\n";
    }
    if ((code == 200 || code == 304) && !m_cacheControl.isEmpty()) {
        head += "Cache-Control: " + m_cacheControl + "\r\n";
    }
    if (code == 200 || code == 304) {
        head += "ETag: " + ETagOf(request.Path) + "\r\nLast-Modified: " + kLastModified + "\r\n";
    }
    socket->write(head + "\r\n" + body);
}
