#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A web server of a few lines on loopback for the splash and report tests:
// answers each GET by its path with a whole scripted response (404 for a
// path it was not given) and records every request line.
class ScriptedHttpServer
{
public:
    ScriptedHttpServer();

    bool listen();
    QString baseUrl() const;
    QString url(const QString &path) const { return baseUrl() + path; }
    // "GET /path?query HTTP/1.1", in arrival order.
    const QList<QByteArray> &requestLines() const { return m_requestLines; }
    // The target (path and query) of each request.
    QList<QByteArray> targets() const;

    void answer(const QByteArray &path, const QByteArray &body, const QByteArray &status = "200 OK");
    // A response whose header promises more than the body holds.
    void answerCut(const QByteArray &path, const QByteArray &body);
    // The header at once, then the body one byte every intervalMs.
    void answerSlowly(const QByteArray &path, const QByteArray &body, int intervalMs);

    // Runs the event loop until `count` requests arrived or 10 s passed.
    bool waitForRequests(int count);

private:
    void accept();
    void respond(QTcpSocket *socket, const QByteArray &path);

    QTcpServer m_server;
    QHash<QByteArray, QByteArray> m_responses;
    QHash<QByteArray, int> m_byteIntervals;
    QList<QByteArray> m_requestLines;
};
