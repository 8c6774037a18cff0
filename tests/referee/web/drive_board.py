"""Uses the referee's board page in headless chromium through chromedriver
as a person would, and prints what it saw as one JSON object:

  played      a game as black against WHITE, by clicks: always the first
              soldier outlined as movable and its first lit step (its first
              lit shot when it has no step), until
              the board carries data-result. "boards" lists every position
              the board showed, as [ply, letters row by row], in order;
              "refused" is an illegal click pair tried on the first turn:
              the board before and after, the squares clicked and the
              message shown.
  watched     a game of WHITE against itself, watched: its boards likewise
  link        the page opened with a command of LINK_BLACK's making in its
              address: the message shown and the games listed
  narrow      at 360 px: the viewport, the page's scroll width and each
              column's [left, right]

Or, with "match" first, it follows a link that starts a round robin of
PLAYERS (names with commas between them), one game per pairing, until the
standings say it is over: the standings' text and data attributes, every
position the board showed (the games one after another), the run and the
games as the server lists them.

Run with Debian's python3 (python3-selenium):
  python3 drive_board.py URL WHITE LINK_BLACK SCREENSHOT
  python3 drive_board.py match URL PLAYERS
"""
import json
import sys
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

if sys.argv[1] == "match":
    mode, url, players = sys.argv[1:4]
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
    const seen = [ply, letters.join("/")];
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


def page(**params):
    return url + "&" + urllib.parse.urlencode(params)


def board_state():
    board = driver.find_element(By.ID, "board")
    return {"ply": board.get_attribute("data-ply"), "result": board.get_attribute("data-result")}


def square(x, y):
    return driver.find_element(By.CSS_SELECTOR, f'#board .sq[data-x="{x}"][data-y="{y}"]')


def wait(condition, seconds=60):
    return WebDriverWait(driver, seconds, poll_frequency=0.05).until(lambda d: condition())


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
        (steps or targets)[0].click()
        moves += 1
        wait(lambda: int(board_state()["ply"]) > ply or board_state()["result"]
             or driver.find_element(By.ID, "message").text)
    found["boards"] = driver.execute_script("return window.__boards")
    found["result"] = board_state()["result"]
    found["status"] = driver.find_element(By.ID, "status").text
    found["game"] = driver.execute_script("return state.game")
    found["clicked_moves"] = moves
    return found


def watch():
    driver.get(page(black=white, white=white))
    wait(lambda: board_state()["result"], 120)
    return {"boards": driver.execute_script("return window.__boards"),
            "result": board_state()["result"], "game": driver.execute_script("return state.game")}


def link():
    driver.get(page(black=link_black, white=white))
    wait(lambda: driver.find_element(By.ID, "message").text)
    return {"message": driver.find_element(By.ID, "message").text,
            "games": driver.execute_script("return fetch('/api/games').then(r => r.json())")}


def narrow():
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
    driver.get(url)
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
    driver.get(page(match=players, games=1))
    wait(lambda: driver.find_element(By.ID, "standings").get_attribute("data-run-over") == "true",
         240)
    standings = driver.find_element(By.ID, "standings")
    fetch = "return fetch(arguments[0]).then(r => r.json())"
    return {"summary": driver.execute_script("return arguments[0].textContent", standings),
            "done": standings.get_attribute("data-games-done"),
            "total": standings.get_attribute("data-games-total"),
            "boards": driver.execute_script("return window.__boards"),
            "run": driver.execute_script(fetch, "/api/run"),
            "games": driver.execute_script(fetch, "/api/games")}


try:
    if mode == "match":
        print(json.dumps(match()))
    else:
        print(json.dumps({"played": play(), "watched": watch(), "link": link(),
                          "narrow": narrow()}))
finally:
    driver.quit()
