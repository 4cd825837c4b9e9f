#pragma once
// Questions put to the user in a message box: Yes, No and, where asked for,
// Cancel. Tests answer them through a hook instead of showing the box.

#include <functional>
#include <string>

enum class TAnswer { Yes, No, Cancel };

// Asks text in a question box titled with the application's title.
TAnswer AskQuestion(const std::string& text, bool withCancel = true);

// Replaces the box (tests answer the question and keep its text).
using TQuestionHook = std::function<TAnswer(const std::string& text)>;
void SetQuestionHook(TQuestionHook hook);
