#!/usr/bin/python3
"""The tour: drives the real launcher on an X display as a person would, finding controls by their
accessible names over AT-SPI and clicking and typing with xdotool. One picture per step into the
pictures folder, one line per step with its result; exit status 0 only when every step passed.

  tour.py --pictures DIR --screen XWD --bundle APP --state DIR --studio-log FILE --notifications FILE
          -- LAUNCHER_COMMAND...

Started by scripts/run.sh --tour, which provides the display, the D-Bus session with the
accessibility bus, the secret store, the notification server and the demo studio.
"""
import argparse
import json
import os
import plistlib
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import screen  # noqa: E402
from atspi import (Failure, application, applications, await_node, click, enabled, find, find_all,  # noqa: E402
                   key, text_of, type_text, wait_for, xdotool)

GAME_ID = "salt-and-iron"
GAME = "Соль и железо"
FRIEND = "Аня"
OTHER_FRIEND = "Вера"
USER, PASSWORD = "demo", "novra-demo"
MESSAGE = "Привет! Сыграем вечером?"
BUTTONS = ("push button", "toggle button", "check box")


class Tour:
    def __init__(self, options):
        self.o = options
        self.launcher = None      # the launcher process this tour started
        self.app = None           # its accessible application
        self.game_pid = None
        self.build = None
        self.results = []

    # ---- The launcher and its window ----

    def window(self):
        return await_node(self.app, 30, "окно «NOVRA»", name="NOVRA", roles=("frame", "window"))

    def button(self, name, seconds=20, root=None):
        return await_node(root or self.app, seconds, "кнопка «%s»" % name, name=name, roles=BUTTONS)

    def press(self, name, seconds=20, root=None):
        node = self.button(name, seconds, root)
        wait_for(lambda: enabled(node), seconds, "кнопка «%s» доступна" % name)
        click(node)

    def field(self, name, text):
        if name == "Пароль":  # a password field goes by its role; its placeholder is only its description
            node = await_node(self.app, 20, "поле «Пароль»", roles=("password text",))
        else:
            node = await_node(self.app, 20, "поле «%s»" % name, name=name, roles=("text", "entry"))
        # What was typed is read back (a password field shows only its length) and typed again
        # when a key went astray.
        for _ in range(3):
            click(node)
            key("ctrl+a")
            key("BackSpace")
            type_text(text)
            shown = text_of(node)
            if shown == text or (name == "Пароль" and len(shown) == len(text)):
                return
        raise Failure("в поле «%s» не получилось набрать «%s» (в поле: «%s»)" % (name, text, shown))

    def section(self, name):
        click(await_node(self.app, 20, "раздел «%s»" % name, name=name, roles=BUTTONS + ("list item", "page tab")))

    def bundle_build(self):
        with open(os.path.join(self.o.bundle, "Contents", "Info.plist"), "rb") as f:
            return int(plistlib.load(f)["CFBundleVersion"])

    def studio_log(self):
        try:
            with open(self.o.studio_log, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def notifications(self):
        try:
            with open(self.o.notifications, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except OSError:
            return []

    # ---- Steps ----

    def first_start(self):
        self.build = self.bundle_build()
        self.launcher = subprocess.Popen(self.o.command, stdin=subprocess.DEVNULL)
        started = time.monotonic()
        self.app = wait_for(lambda: application(self.launcher.pid), 30, "лаунчер в дереве доступности")
        self.window()
        shown = time.monotonic() - started
        # The window checks the source when it appears; the offer of the launcher's update follows
        # every check that reached it.
        self.button("Обновить и перезапустить", 60)
        refresh = self.button("Проверить обновления")
        wait_for(lambda: enabled(refresh), 60, "проверка источника закончилась")
        # And once more by hand.
        click(refresh)
        wait_for(lambda: enabled(refresh), 60, "вторая проверка источника закончилась")
        self.button("Обновить и перезапустить", 60)
        cards = find_all(self.app, roles=("push button",), name=GAME)
        if not cards:
            raise Failure("в библиотеке нет игры «%s»" % GAME)
        return "окно за %.1f с, источник проверен (и ещё раз по «Проверить обновления»), предложено обновление " \
               "лаунчера" % shown

    def install(self):
        # The game's row in the sidebar's collection; the hero then shows the game.
        click(await_node(self.app, 20, "игра «%s» в коллекции" % GAME, name=GAME, roles=("push button",)))
        hero = await_node(self.app, 20, "«%s» выбрана" % GAME, name=GAME, roles=("panel",))
        self.press("Установить", root=hero)
        await_node(self.app, 20, "полоса загрузки", name=GAME, roles=("status bar",))
        # The bar's percentage is not in the accessibility tree: a moment, so that the picture shows
        # the progress part way.
        time.sleep(0.6)
        self.picture()
        started = time.monotonic()
        wait_for(lambda: find(self.app, roles=("status bar",)) is None, 120, "конец установки")
        await_node(hero, 30, "кнопка «Играть» у «%s»" % GAME, name="Играть", roles=BUTTONS)
        try:
            with open(os.path.join(self.o.state, "Games", GAME_ID, "current.json"), encoding="utf-8") as f:
                version = json.load(f)["release"]["version"]
        except (OSError, ValueError, KeyError):
            raise Failure("в папке библиотеки нет установленной «%s»" % GAME)
        return "полоса загрузки показана, версия %s установлена (ещё %.1f с после снимка)" % (
            version, time.monotonic() - started)

    def play(self):
        before = {a.get_process_id() for a in applications()}
        hero = await_node(self.app, 20, "«%s» выбрана" % GAME, name=GAME, roles=("panel",))
        self.press("Играть", root=hero)

        def game_window():
            for app in applications():
                if app.get_process_id() in before:
                    continue
                if find(app, name=GAME, roles=("frame", "window")):
                    return app
            return None

        game = wait_for(game_window, 30, "окно игры «%s»" % GAME)
        self.game_pid = game.get_process_id()
        # Without a window manager every window opens at 0,0: the game moves beside the launcher.
        windows = subprocess.run(["/usr/bin/xdotool", "search", "--pid", str(self.game_pid), "--name", GAME],
                                 capture_output=True, text=True, timeout=30).stdout.split()
        for window in windows:
            xdotool("windowmove", window, "1300", "380")
        return "окно игры открылось (процесс %d)" % self.game_pid

    def sign_in(self):
        self.section("Друзья")
        self.field("Имя пользователя", USER)
        self.field("Пароль", PASSWORD)
        self.press("Войти")
        await_node(self.app, 30, "вход выполнен: «NOVRA ONLINE»", name="NOVRA ONLINE")
        self.friend(FRIEND, 30)
        seen = "Аня видит, что demo играет в «%s»" % GAME
        wait_for(lambda: seen in self.studio_log(), 40, "демо-подруга видит игру (журнал демо-студии)")
        return "вошли как %s; %s" % (USER, seen)

    def friend(self, name, seconds=20):
        """A friend's row: a button named by the friend, described by the presence line."""
        return await_node(self.app, seconds, "друг %s в списке" % name, name=name, roles=BUTTONS)

    def friends(self):
        expected = {FRIEND: "Угольный забег", "Дина": "Полярное цветение", "Вера": "В сети", "Глеб": "Не в сети"}
        lines = {}

        def presence_shown():
            for name in expected:
                lines[name] = self.friend(name, 1).description
            return lines == expected

        try:
            wait_for(presence_shown, 30, "друзья с присутствием")
        except Failure:
            raise Failure("присутствие друзей: %s, ожидалось %s" % (lines, expected))
        return ", ".join("%s — %s" % item for item in lines.items())

    def bubbles(self):
        return {node.name for node in find_all(self.app, roles=("label", "static"))}

    def conversation(self):
        enable = find(self.app, name="Включить уведомления", roles=BUTTONS)
        if enable:
            click(enable)
            self.button("Уведомления включены", 20)
        click(self.friend(FRIEND))
        # Аня's word on the game started before: she saw the presence.
        remark = await_node(self.app, 30, "%s пишет об игре «%s»" % (FRIEND, GAME), contains="Вижу, ты сейчас в игре")
        before = self.bubbles() | {remark.name}
        notified = len(self.notifications())
        self.field("Сообщение", MESSAGE)
        # Sent, and another conversation opened at once (Аня answers after a second and a half), so
        # that her answer is announced by a notification.
        other = self.friend(OTHER_FRIEND)
        self.press("Отправить")
        click(other)
        wait_for(lambda: any(n["summary"] == FRIEND and n["body"] == "Новое сообщение в NOVRA"
                             for n in self.notifications()[notified:]), 30,
                 "уведомление о новом сообщении от %s" % FRIEND)
        click(self.friend(FRIEND))
        await_node(self.app, 20, "отправленное сообщение в разговоре", name=MESSAGE)
        answer = wait_for(lambda: sorted(self.bubbles() - before - {MESSAGE}), 20, "ответ %s в разговоре" % FRIEND)
        return "отправлено «%s»; уведомление «%s: Новое сообщение в NOVRA»; ответ «%s»" % (MESSAGE, FRIEND, answer[0])

    def settings(self):
        self.dismiss_sheets()
        with open(os.path.join(self.o.state, "settings.json"), encoding="utf-8") as f:
            saved = f.read()
        self.section("Настройки")
        sheet = await_node(self.app, 20, "окно настроек", name="Настройки", roles=("dialog",))
        click(await_node(sheet, 20, "раздел «Подключение к серверу сборок»", name="Подключение к серверу сборок"))
        click(await_node(sheet, 20, "переключатель источника", name="Загружать с сайта NOVRA"))
        await_node(sheet, 20, "поле «SSH» сервера сборок", name="SSH", roles=("text", "entry"))
        self.field("SSH", "novra-mini")
        self.picture()
        self.press("Отмена", root=sheet)
        wait_for(lambda: find(self.app, name="Настройки", roles=("dialog",)) is None, 20, "настройки закрыты")
        with open(os.path.join(self.o.state, "settings.json"), encoding="utf-8") as f:
            if f.read() != saved:
                raise Failure("«Отмена» изменила settings.json")
        return "источник переключён на сервер сборок novra-mini, «Отмена» ничего не сохранила"

    def dismiss_sheets(self):
        """Closes a sheet a failed step left open, as a person would, with Escape."""
        for _ in range(3):
            if not find(self.app, roles=("dialog", "alert")):
                return
            key("Escape")
            time.sleep(0.5)

    def self_update(self):
        self.dismiss_sheets()
        self.section("Игры")
        old = self.launcher.pid
        self.press("Обновить и перезапустить", 30)
        try:
            self.launcher.wait(60)
        except subprocess.TimeoutExpired:
            raise Failure("лаунчер сборки %d не завершился для обновления" % self.build)

        def new_launcher():
            for app in applications():
                pid = app.get_process_id()
                if pid != old and pid != self.game_pid and find(app, name="NOVRA", roles=("frame", "window")):
                    return app
            return None

        self.app = wait_for(new_launcher, 60, "новый лаунчер с окном «NOVRA»")
        now = self.bundle_build()
        if now != self.build + 1:
            raise Failure("Info.plist установленного лаунчера: сборка %d, ожидалась %d" % (now, self.build + 1))
        return "сборка %d → %d, новый лаунчер открыл окно (процесс %d)" % (self.build, now, self.app.get_process_id())

    # ---- Running ----

    def picture(self):
        if not self.taken:
            screen.save(self.o.screen, self.current_picture)
            self.taken = True

    def run(self, steps):
        """Each step runs when the steps it needs passed; a step after a failure that needs
        nothing that failed still runs."""
        failed = set()
        for number, (title, slug, needs, action) in enumerate(steps, 1):
            self.current_picture = os.path.join(self.o.pictures, "%02d-%s.png" % (number, slug))
            self.taken = False
            missing = [n for n in needs if n in failed]
            if missing:
                failed.add(slug)
                line = "пропущен (не пройдено: %s)" % ", ".join(missing)
            else:
                try:
                    line = "пройден — " + action()
                except Failure as e:
                    failed.add(slug)
                    line = "НЕ ПРОЙДЕН — " + str(e)
                except Exception as e:  # the tool itself broke: still one honest line
                    failed.add(slug)
                    line = "НЕ ПРОЙДЕН — %s: %s" % (type(e).__name__, e)
                time.sleep(0.3)  # the last change reaches the screen
                try:
                    self.picture()
                except Exception as e:
                    line += " (снимок не сделан: %s)" % e
            print("%d. %s: %s" % (number, title, line), flush=True)
        return 1 if failed else 0

    def close(self):
        """Ends the launchers of the installed copy and the game; the display ends after us."""
        bundle = os.path.realpath(os.path.dirname(self.o.bundle))
        library = os.path.realpath(self.o.state)
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                exe = os.readlink("/proc/%s/exe" % entry)
            except OSError:
                continue
            if exe.startswith(bundle + "/") or exe.startswith(library + "/"):
                try:
                    os.kill(int(entry), signal.SIGTERM)
                except OSError:
                    pass
        if self.launcher:
            try:
                self.launcher.wait(20)
            except subprocess.TimeoutExpired:
                self.launcher.kill()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--pictures", "--screen", "--bundle", "--state", "--studio-log", "--notifications"):
        parser.add_argument(name, required=True)
    parser.add_argument("command", nargs="+")
    options = parser.parse_args()
    os.makedirs(options.pictures, exist_ok=True)
    for old in os.listdir(options.pictures):
        if old.endswith(".png"):
            os.remove(os.path.join(options.pictures, old))

    tour = Tour(options)
    steps = [
        ("Первый запуск и проверка источника", "first-start", [], tour.first_start),
        ("Установка игры с полосой загрузки", "install", ["first-start"], tour.install),
        ("Запуск игры", "play", ["install"], tour.play),
        ("Вход демо-игроком", "sign-in", ["play"], tour.sign_in),
        ("Друзья и их игры", "friends", ["sign-in"], tour.friends),
        ("Разговор: сообщение, ответ и уведомление", "conversation", ["friends"], tour.conversation),
        ("Настройки: другой источник и «Отмена»", "settings", ["first-start"], tour.settings),
        ("Обновление лаунчера до следующей сборки", "self-update", ["first-start"], tour.self_update),
    ]
    try:
        status = tour.run(steps)
    finally:
        tour.close()
    print("Тур %s; снимки — в %s" % ("пройден" if status == 0 else "не пройден", options.pictures), flush=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
