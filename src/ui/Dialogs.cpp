#include "ui/Dialogs.h"

void Dialogs::showMessage(const QString& text) {
    message({.icon = MessageIcon::None, .text = text});
}

void Dialogs::information(const QString& caption, const QString& text) {
    message({.icon = MessageIcon::Information, .caption = caption, .text = text});
}

void Dialogs::warning(const QString& caption, const QString& text) {
    message({.icon = MessageIcon::Warning, .caption = caption, .text = text});
}

void Dialogs::error(const QString& caption, const QString& text) {
    message({.icon = MessageIcon::Error, .caption = caption, .text = text});
}

QMessageBox::StandardButton Dialogs::question(const QString& caption, const QString& text,
                                              QMessageBox::StandardButton defaultButton) {
    return message({.icon = MessageIcon::Question,
                    .caption = caption,
                    .text = text,
                    .buttons = QMessageBox::Yes | QMessageBox::No,
                    .defaultButton = defaultButton});
}

void Dialogs::applicationError(const QString& message) {
    error(kApplicationTitle, applicationErrorText(message));
}

QString applicationErrorText(const QString& message) {
    if (!message.isEmpty() && message.back().isLetterOrNumber()) {
        return message + QLatin1Char('.');
    }
    return message;
}

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            patterns.append(trimmed);
            if (trimmed.toLower() != trimmed) {
                patterns.append(trimmed.toLower());
            }
        }
        QString description = parts[i].trimmed();
        // Qt reads the patterns from the last parenthesis, so drop the shown copy.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0 && description.endsWith(QLatin1Char(')'))) {
            description = description.left(open).trimmed();
        }
        result.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')'));
    }
    if (result.isEmpty() && !filter.isEmpty()) {
        result.append(filter);
    }
    return result;
}
