#pragma once

#include "answersink.h"
#include "chatinflight.h"
#include "codewriter.h"
#include "sessionstore.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

// The chats of the service, whoever carries their requests: a new chat, a request for a
// program, Stop and the end of a chat, each answered through its sink. The chats are kept in
// the store, the programs come from the code writer chosen at start.
class ChatService final : public QObject
{
    Q_OBJECT

public:
    // The service owns the store and the writer.
    ChatService(SessionStore *store, CodeWriter *writer, QObject *parent = nullptr);

    // Each takes a request's JSON body and the language it asks for.
    void startChat(const QJsonObject &body, Protocol::Language language, const Sink &answer);
    void chat(const QJsonObject &body, Protocol::Language language, const Sink &answer);
    void cancel(const QJsonObject &body, Protocol::Language language, const Sink &answer);
    void endSession(const QJsonObject &body, Protocol::Language language, const Sink &answer);

    // Takes no new request for a program, lets the programs being written finish within
    // graceMs, then ends the rest with service_restarting; done runs once every chat is back in
    // the store, its lock released.
    void stop(int graceMs, const std::function<void()> &done);

    SessionStore &store() { return *m_store; }
    CodeWriter &writer() { return *m_writer; }
    // Chats whose program is being written in this instance.
    int chatsWriting() const { return int(m_inFlight.size()); }

private:
    void answerChat(const QString &id, const CodeWriter::Request &request, const Sink &answer);
    void controlChat(const QJsonObject &body, Protocol::Language language, const Sink &answer,
                     SessionStore::Control control);
    // Stops the chat's writing if it runs in this instance; false when it does not.
    bool stopHere(const QString &id, SessionStore::Control control);
    // Runs the stop's done once nothing is left to give back to the store.
    void stopWhenIdle();

    SessionStore *m_store;
    CodeWriter *m_writer;
    // The chats this instance is writing for, by session.
    QHash<QString, QPointer<ChatInFlight>> m_inFlight;
    // Chats whose end the store has not confirmed yet.
    int m_releasing = 0;
    bool m_stopping = false;
    std::function<void()> m_stopped;
    QTimer m_grace;
};
