#pragma once

#include "dialogs/Prompts.h"

#include <QList>
#include <QQueue>

// Records every message the panel shows and answers its file dialogs from a script.
class ScriptedPrompts : public Prompts
{
public:
    struct Message
    {
        QString text;
        QString title;
        PromptIcon icon;
    };

    void message(const QString& text, const QString& title, PromptIcon icon) override
    {
        messages.append({text, title, icon});
    }
    bool question(const QString& text, const QString& title) override
    {
        questions.append({text, title, PromptIcon::None});
        return questionAnswers.isEmpty() || questionAnswers.dequeue();
    }
    std::optional<QString> openFile(const FileDialogRequest& request) override
    {
        return answer(request);
    }
    std::optional<QString> saveFile(const FileDialogRequest& request) override
    {
        return answer(request);
    }

    // The next dialog returns this path; std::nullopt answers with Cancel.
    void answerNextDialog(std::optional<QString> path) { answers.enqueue(path); }

    QList<Message> messages;
    QList<Message> questions;
    QQueue<bool> questionAnswers; // Yes when empty
    QList<FileDialogRequest> dialogs;
    QQueue<std::optional<QString>> answers;

private:
    std::optional<QString> answer(const FileDialogRequest& request)
    {
        dialogs.append(request);
        return answers.isEmpty() ? std::nullopt : answers.dequeue();
    }
};
