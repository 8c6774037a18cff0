"""Uses the referee's board page in headless chromium through chromedriver
as a person would, and prints what it saw as one JSON object:

  opened      the page opened without a game: its squares, the board's
              data-ply, the text shown instead and the match's tick boxes
  played      a game as black against WHITE, by clicks: always the first
              soldier outlined as movable and its first lit step (its first
              lit shot when it has no step), until
              the board carries data-result. "boards" lists every position
              the board showed, as [ply, letters row by row, the games
              list's line for the game], in order;
              "refused" is an illegal click pair tried on the first turn:
              the board before and after, the squares clicked and the
              message shown. "early" is black's second move, clicked in the
              same instant white's reply was drawn. "selectors" are the
              players' selectors once the game is on the board, "ids" every
              element id of the page once it is over.
  watched     a game of WHITE against itself, watched: its boards and
              selectors likewise
  link        the page opened with a command of LINK_BLACK's making in its
              address: the message shown and the games listed
  narrow      at 360 px: the viewport, the page's scroll width and each
              column's [left, right]

Or, with "match" first, it ticks PLAYERS (names with commas between them)
and starts a round robin of them, one game per pairing, and follows it until
the standings say it is over: the standings' text and data attributes, every
position the board showed (the games one after another), the run and the
games as the server lists them. Then a link starts a match of LINKED and
"linked" is the run the server reports for it, stopped at once.

Run with Debian's python3 (python3-selenium):
  python3 drive_board.py URL WHITE LINK_BLACK SCREENSHOT
  python3 drive_board.py match URL PLAYERS LINKED
"""
import json
import sys
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

if sys.argv[1] == "match":
    mode, url, players, linked = sys.argv[1:5]
else:
    mode = "board"
    url, white, link_black, screenshot = sys.argv[1:5]

# Kept by the page itself, before its own script runs: every position the
# board shows, each time its ply is set, so none is missed between polls.
RECORDER = """
window.__boards = [];
document.addEventListener("DOMContentLoaded", () => {
  const board = document.getElementById("board");
  new MutationObserver(() => {
    const ply = Number(board.dataset.ply);
    const last = window.__boards[window.__boards.length - 1];
    const squares = [...board.querySelectorAll(".sq")];
    if (!squares.length) return;
    const rows = Number(getComputedStyle(board).getPropertyValue("--rows"));
    const letters = [];
    for (let y = 0; y < rows; ++y)
      letters.push(squares.filter((s) => Number(s.dataset.y) === y)
                          .sort((a, b) => a.dataset.x - b.dataset.x)
                          .map((s) => s.dataset.piece || ".").join(""));
    const listed = document.querySelector(`#games li[data-game="${state.game}"] .summary`);
    const seen = [ply, letters.join("/"), listed ? listed.textContent : null];
    if (!last || last[0] !== seen[0] || last[1] !== seen[1]) window.__boards.push(seen);
  }).observe(board, { attributes: true, attributeFilter: ["data-ply"] });
});
"""

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--window-size=1100,900"):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": RECORDER})
driver.set_script_timeout(60)

# Clicks TARGET, a lit square, and then, in the very task that draws the
# reply (ply REPLY), the first soldier outlined as movable and its first lit
# step or shot: what was outlined then and the move clicked.
EARLY = """
const [target, reply, done] = arguments;
const board = document.getElementById("board");
const answer = () => {
  const movable = board.querySelectorAll(".sq.movable");
  const seen = { ply: Number(board.dataset.ply), movable: movable.length };
  if (!movable.length) return seen;
  movable[0].click();
  const step = board.querySelector(".sq.target");
  const to = step || board.querySelector(".sq.shot-target");
  if (!to) return seen;
  seen.move = [Number(movable[0].dataset.x), Number(movable[0].dataset.y), step ? "M" : "B",
               Number(to.dataset.x), Number(to.dataset.y)];
  to.click();
  return seen;
};
new MutationObserver((_, observer) => {
  if (board.dataset.result) {
    observer.disconnect();
    done({ over: true });
  } else if (Number(board.dataset.ply) === reply) {
    observer.disconnect();
    done(answer());
  }
}).observe(board, { attributes: true, attributeFilter: ["data-ply", "data-result"] });
target.click();
"""


def page(**params):
    return url + "&" + urllib.parse.urlencode(params)


def board_state():
    board = driver.find_element(By.ID, "board")
    return {"ply": board.get_attribute("data-ply"), "result": board.get_attribute("data-result")}


def square(x, y):
    return driver.find_element(By.CSS_SELECTOR, f'#board .sq[data-x="{x}"][data-y="{y}"]')


def wait(condition, seconds=60):
    return WebDriverWait(driver, seconds, poll_frequency=0.05).until(lambda d: condition())


def selectors():
    return [driver.find_element(By.ID, side).get_attribute("value") for side in ("black", "white")]


def ticked():
    return [box.is_selected()
            for box in driver.find_elements(By.CSS_SELECTOR, "#match-players input")]


def opened():
    driver.get(url)
    wait(lambda: driver.find_elements(By.CSS_SELECTOR, "#match-players input"))
    board = driver.find_element(By.ID, "board")
    waiting = driver.find_elements(By.ID, "waiting")
    return {"squares": len(board.find_elements(By.CSS_SELECTOR, ".sq")),
            "ply": board.get_attribute("data-ply"),
            "waiting": waiting[0].text if waiting else None,
            "ticked": ticked()}


def my_turn_or_over():
    return (driver.find_elements(By.CSS_SELECTOR, "#board .sq.movable")
            or board_state()["result"])


def letters():
    return driver.execute_script("""
        return [...document.querySelectorAll('#board .sq')].map(s => s.dataset.piece || '.').join('')""")


def play():
    driver.get(page(black="human", white=white))
    found = {}
    moves = 0
    while True:
        wait(my_turn_or_over)
        if board_state()["result"]:
            break
        if "selectors" not in found:
            found["selectors"] = selectors()
        movable = driver.find_elements(By.CSS_SELECTOR, "#board .sq.movable")
        soldier = movable[0]
        sx, sy = int(soldier.get_attribute("data-x")), int(soldier.get_attribute("data-y"))
        soldier.click()
        targets = driver.find_elements(By.CSS_SELECTOR, "#board .sq.target, #board .sq.shot-target")
        if "refused" not in found:
            # A square no lit move reaches and no own piece stands on.
            lit = {(int(t.get_attribute("data-x")), int(t.get_attribute("data-y"))) for t in targets}
            columns = int(driver.execute_script(
                "return getComputedStyle(board).getPropertyValue('--columns')"))
            pick = next((x, y) for y in range(0, sy) for x in range(columns)
                        if (x, y) not in lit and abs(y - sy) > 2
                        and square(x, y).get_attribute("data-piece") in ("", "w", "W"))
            before = {"letters": letters(), **board_state()}
            square(*pick).click()
            wait(lambda: driver.find_element(By.ID, "message").text)
            found["refused"] = {"from": [sx, sy], "to": list(pick),
                                "message": driver.find_element(By.ID, "message").text,
                                "before": before,
                                "after": {"letters": letters(), **board_state()}}
            soldier.click()
            targets = driver.find_elements(By.CSS_SELECTOR,
                                           "#board .sq.target, #board .sq.shot-target")
        if moves == 6:
            driver.save_screenshot(screenshot)
        # Steps first: a game of shots at empty squares would soon repeat.
        steps = [t for t in targets if "target" in t.get_attribute("class").split()]
        ply = int(board_state()["ply"])
        if "early" in found:
            (steps or targets)[0].click()
            moves += 1
        else:
            found["early"] = driver.execute_async_script(EARLY, (steps or targets)[0], ply + 2)
            moves += 1
            if "move" in found["early"]:
                moves += 1
                ply = found["early"]["ply"]
        wait(lambda: int(board_state()["ply"]) > ply or board_state()["result"]
             or driver.find_element(By.ID, "message").text)
        if "message" not in found["early"]:
            found["early"]["message"] = driver.find_element(By.ID, "message").text
    found["boards"] = driver.execute_script("return window.__boards")
    found["result"] = board_state()["result"]
    found["status"] = driver.find_element(By.ID, "status").text
    found["game"] = driver.execute_script("return state.game")
    found["clicked_moves"] = moves
    found["ids"] = driver.execute_script(
        "return [...document.querySelectorAll('[id]')].map((element) => element.id)")
    return found


def watch():
    driver.get(page(black=white, white=white))
    wait(lambda: board_state()["ply"])
    shown = selectors()
    wait(lambda: board_state()["result"], 120)
    return {"boards": driver.execute_script("return window.__boards"), "selectors": shown,
            "result": board_state()["result"], "game": driver.execute_script("return state.game")}


def link():
    driver.get(page(black=link_black, white=white))
    wait(lambda: driver.find_element(By.ID, "message").text)
    return {"message": driver.find_element(By.ID, "message").text,
            "games": driver.execute_script("return fetch('/api/games').then(r => r.json())")}


def narrow(game):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
    driver.get(page(game=game))
    wait(lambda: driver.find_elements(By.CSS_SELECTOR, "#board .sq"))
    return driver.execute_script("""
        const columns = {};
        for (const square of document.querySelectorAll("#board .sq")) {
          const box = square.getBoundingClientRect();
          const [l, r] = columns[square.dataset.x] || [Infinity, -Infinity];
          columns[square.dataset.x] = [Math.min(l, box.left), Math.max(r, box.right)];
        }
        return { viewport: window.innerWidth,
                 scroll_width: document.documentElement.scrollWidth, columns };""")


def match():
    driver.get(url)
    wait(lambda: driver.find_elements(By.CSS_SELECTOR, "#match-players input"))
    for name in players.split(","):
        driver.find_element(By.CSS_SELECTOR, f'#match-players input[value="{name}"]').click()
    games = driver.find_element(By.ID, "match-games")
    games.clear()
    games.send_keys("1")
    driver.find_element(By.ID, "start-match").click()
    wait(lambda: driver.find_element(By.ID, "standings").get_attribute("data-run-over") == "true",
         240)
    standings = driver.find_element(By.ID, "standings")
    fetch = "return fetch(arguments[0]).then(r => r.json())"
    found = {"summary": driver.execute_script("return arguments[0].textContent", standings),
             "done": standings.get_attribute("data-games-done"),
             "total": standings.get_attribute("data-games-total"),
             "boards": driver.execute_script("return window.__boards"),
             "run": driver.execute_script(fetch, "/api/run"),
             "games": driver.execute_script(fetch, "/api/games")}
    driver.get(page(match=linked, games=1))
    wait(lambda: driver.find_element(By.ID, "standings").get_attribute("data-run-id") == "2")
    found["linked"] = driver.execute_script(fetch, "/api/run")
    driver.execute_script(
        "return fetch('/api/run/stop', { method: 'POST' }).then((r) => r.status)")
    return found


try:
    if mode == "match":
        print(json.dumps(match()))
    else:
        seen = {"opened": opened(), "played": play(), "watched": watch(), "link": link()}
        seen["narrow"] = narrow(seen["watched"]["game"])
        print(json.dumps(seen))
finally:
    driver.quit()
