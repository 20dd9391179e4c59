#pragma once

#include <QString>

#include <optional>

// Every message box and file dialog of the panel goes through this interface, so tests can
// read each message and answer each dialog.
enum class PromptIcon
{
    None,
    Information,
    Exclamation,
};

// The title of the program's own messages.
inline const QString kMessageTitle = QStringLiteral("OrvexDAB");
// A parameter file's extension, and the name a file dialog offers for one.
inline const QString kParameterFileExtension = QStringLiteral(".DAB");
inline const QString kUntitledName = QStringLiteral("Noname");

struct FileDialogRequest
{
    QString title;
    QString directory;
    QString fileName;  // initial name
    QString extension; // ".DAB"
    bool mustExist = false;
    bool confirmOverwrite = false;

    // A dialog for a parameter file in folder, offering the untitled name.
    static FileDialogRequest parameterFile(const QString& title, const QString& folder)
    {
        FileDialogRequest request;
        request.title = title;
        request.directory = folder;
        request.fileName = kUntitledName;
        request.extension = kParameterFileExtension;
        return request;
    }
};

class Prompts
{
public:
    virtual ~Prompts() = default;

    // A modal message with one OK button.
    virtual void message(const QString& text, const QString& title, PromptIcon icon) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool question(const QString& text, const QString& title) = 0;
    // The full path chosen, or nothing when the operator cancelled.
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
};

// The real thing: QMessageBox and QFileDialog, parented to a window.
class WidgetPrompts : public Prompts
{
public:
    explicit WidgetPrompts(class QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(class QWidget* parent) { m_parent = parent; }

    void message(const QString& text, const QString& title, PromptIcon icon) override;
    bool question(const QString& text, const QString& title) override;
    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;

private:
    class QWidget* m_parent = nullptr;
};
