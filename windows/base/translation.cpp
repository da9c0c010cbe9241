#include "windows/base/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// Where the build puts the compiled translations among the resources.
const QString kTranslationFolder = QStringLiteral(":/i18n");
const QString kTranslationBase = QStringLiteral("calculator-ka-vm_");

std::unique_ptr<QTranslator>& ProgramTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& QtTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

// "de-DE" gives "de_DE", which QTranslator also tries as "de".
QString FileLanguage(const QString& uiLanguage)
{
    QString name = uiLanguage;
    name.replace(u'-', u'_');
    return name;
}

}  // namespace

QString InstallTranslations(const QLocale& locale)
{
    RemoveTranslations();
    for (const QString& uiLanguage : locale.uiLanguages()) {
        // English is the language of the texts themselves: a user who
        // prefers it before another gets no translation.
        if (uiLanguage == u"C" || uiLanguage.startsWith(u"en"))
            return QString();
        auto program = std::make_unique<QTranslator>();
        if (!program->load(kTranslationBase + FileLanguage(uiLanguage), kTranslationFolder))
            continue;
        const QString language = program->language();
        QCoreApplication::installTranslator(program.get());
        ProgramTranslator() = std::move(program);
        // Qt's own texts in the same language, when the system has them.
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_") + FileLanguage(uiLanguage),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            QtTranslator() = std::move(qt);
        }
        return language.isEmpty() ? FileLanguage(uiLanguage) : language;
    }
    return QString();
}

void RemoveTranslations()
{
    for (std::unique_ptr<QTranslator>* translator : {&ProgramTranslator(), &QtTranslator()}) {
        if (*translator) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    }
}
