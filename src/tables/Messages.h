#pragma once
#include <string>

// Message box styles and answers, as the platform numbers them.
enum MessageStyle : int { styleOk = 0, styleYesNo = 4, styleInformation = 64 };
constexpr int answerCancel = 2;
constexpr int answerYes = 6;
constexpr int answerNo = 7;
constexpr const char* applicationTitle = "Pictrak";

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Waits for the user; an empty title shows the application title. Returns the code of the
    // button pressed. An OK box dismissed with Escape, or closed, returns answerCancel, which
    // asks the command to stop; the Yes/No question takes those as No.
    virtual int Show(const std::string& prompt, int style, const std::string& title = "") = 0;
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void SetSimpleText(const std::string& text) = 0;
    virtual std::string SimpleText() const = 0;
};
