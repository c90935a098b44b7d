#include "launcher/library/UserMessage.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <nlohmann/json.hpp>

#include "core/LauncherError.h"

namespace novra {
namespace {

struct Description {
    std::errc code;
    const char* text;
};

const Description kDescriptions[] = {
    {std::errc::no_such_file_or_directory, "Нет такого файла или папки"},
    {std::errc::permission_denied, "Нет доступа"},
    {std::errc::operation_not_permitted, "Операция не разрешена"},
    {std::errc::no_space_on_device, "На диске нет места"},
    {std::errc::read_only_file_system, "Диск доступен только для чтения"},
    {std::errc::file_exists, "Файл уже существует"},
    {std::errc::not_a_directory, "Это не папка"},
    {std::errc::is_a_directory, "Это папка, а не файл"},
    {std::errc::directory_not_empty, "Папка не пуста"},
    {std::errc::io_error, "Ошибка ввода-вывода"},
    {std::errc::filename_too_long, "Слишком длинное имя файла"},
    {std::errc::too_many_symbolic_link_levels, "Слишком много символических ссылок"},
    {std::errc::executable_format_error, "Файл не является программой"},
    {std::errc::text_file_busy, "Исполняемый файл занят"},
    {std::errc::too_many_files_open, "Открыто слишком много файлов"},
    {std::errc::too_many_files_open_in_system, "Открыто слишком много файлов"},
    {std::errc::not_enough_memory, "Недостаточно памяти"},
    {std::errc::cross_device_link, "Файлы лежат на разных дисках"},
    {std::errc::device_or_resource_busy, "Устройство или файл заняты"},
    {std::errc::no_such_device, "Устройство не найдено"},
    {std::errc::no_such_device_or_address, "Устройство не найдено"},
    {std::errc::file_too_large, "Файл слишком большой"},
    {std::errc::timed_out, "Время ожидания истекло"},
    {std::errc::resource_unavailable_try_again, "Ресурс временно недоступен"},
    {std::errc::invalid_argument, "Неверный аргумент"},
};

std::string describe(const std::error_code& code) {
    for (const Description& d : kDescriptions)
        if (code == d.code) return d.text;
    return "Системная ошибка " + std::to_string(code.value()) + " (" + code.message() + ")";
}

// The object the operation was working on, as the system error names it: its argument, which is
// the text before ": " + the system's own description.
std::string subjectOf(const std::system_error& error) {
    std::string text = error.what();
    const std::string suffix = ": " + error.code().message();
    if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
        return text.substr(0, text.size() - suffix.size());
    return text == error.code().message() ? std::string() : text;
}

} // namespace

QString userMessage(const std::exception& error) {
    std::string text;
    if (const auto* failure = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
        text = describe(failure->code());
        if (!failure->path1().empty()) text += ": " + failure->path1().string();
    } else if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        text = describe(system->code());
        std::string subject = subjectOf(*system);
        if (!subject.empty()) text += ": " + subject;
    } else if (dynamic_cast<const nlohmann::json::exception*>(&error)) {
        text = std::string("Ошибка JSON: ") + error.what();
    } else {
        text = error.what();
    }
    return QString::fromStdString(text);
}

QString userMessage(std::exception_ptr error) {
    if (!error) return {};
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return {};
    } catch (const std::exception& e) {
        return userMessage(e);
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}

} // namespace novra
