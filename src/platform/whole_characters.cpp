#include "platform/whole_characters.h"

#include <QLineEdit>

#include <algorithm>

namespace vdn {

void keepWholeCharacters(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        QString whole;
        whole.reserve(text.size());
        bool broken = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                whole += c;
                whole += text.at(++i);
            } else if (c.isSurrogate()) {
                broken = true;
            } else {
                whole += c;
            }
        }
        if (!broken)
            return;
        const int cursor = std::min(edit->cursorPosition(), int(whole.size()));
        edit->setText(whole);
        edit->setCursorPosition(cursor);
    });
}

} // namespace vdn
