#pragma once

#include "client/connection/chattransport.h"

#include <QTimer>

// A code generator in the same process: it records what the conversation opens and posts, and
// answers when the test says so.
class FakeTransport final : public ChatTransport
{
public:
    struct Posted final
    {
        QString text;
        QString currentProgram;
    };

    QList<ChatSeed> opened;
    QList<Posted> posted;

    void setLanguage(const QString &) override {}
    void setServiceStarter(bool) override {}
    bool offers(const QString &feature) const override { return feature == ServiceFeature::History; }
    bool isLive() const override { return m_live; }
    void check(const QString &) override
    {
        // Live once the conversation heard so, as from a real check's reply.
        QTimer::singleShot(0, this, [this] {
            m_live = true;
            Q_EMIT live();
        });
    }
    void leave(bool) override { m_live = false; }
    void open(Protocol::Platform platform, Protocol::ProgramType type, const ChatSeed &seed, Greeting) override
    {
        opened.append(seed);
        m_chat = {platform, type, m_chat.serial + 1, false};
    }
    void resume(Protocol::Platform platform, Protocol::ProgramType type, const QString &, bool used) override
    {
        m_chat = {platform, type, m_chat.serial + 1, used};
    }
    QString sessionId() const override { return QStringLiteral("fake-%1").arg(opened.size()); }
    const ChatSession &chat() const override { return m_chat; }
    void markUsed() override { m_chat.used = true; }
    bool sessionFailed() const override { return false; }
    void setCurrentProgram(const QString &program) override { m_program = program; }
    void post(const QString &text, const QStringList &) override
    {
        posted.append({text, m_program});
        m_posted = true;
    }
    bool isPosted() const override { return m_posted; }
    const Stream &stream() const override { return m_stream; }
    void stop() override { m_posted = false; }
    void drop() override { m_posted = false; }

    void answer(const QString &program)
    {
        m_posted = false;
        ServiceReply reply;
        reply.kind = ServiceReply::Kind::Chat;
        reply.success = true;
        reply.response = program;
        Q_EMIT answered(reply);
    }
    void forget()
    {
        m_posted = false;
        ServiceReply reply;
        reply.kind = ServiceReply::Kind::Chat;
        reply.error = Protocol::ErrorCode::UnknownSession;
        Q_EMIT answered(reply);
    }

private:
    bool m_live = false;
    bool m_posted = false;
    ChatSession m_chat;
    QString m_program;
    Stream m_stream;
};
