"""Walks a published site in headless chromium through chromedriver, as a
reader would: from the index to every player's page, and from each player's
page to every game it links. Prints what it saw as one JSON object:

  standings   [rank, name, player page] per row of the index's standings
  crosstable  the rows' names and cells as the index shows them
  players     per player page: its heading, the game pages it links and
              its faults table's rows, [kind, games]
  games       per game page reached: the players and moves of the game the
              page's script shows, and the counter it drew ("0 / 57")

Run with Debian's python3 (python3-selenium):
  python3 walk_site.py SITE_DIR SCREENSHOT_PREFIX
"""
import json
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

site, screenshots = sys.argv[1:3]

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--window-size=1100,900"):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get("file://" + site + "/index.html")
    standings = []
    for row in driver.find_elements(By.CSS_SELECTOR, "#standings tbody tr"):
        cells = row.find_elements(By.TAG_NAME, "td")
        link = cells[1].find_element(By.TAG_NAME, "a")
        standings.append([cells[0].text, link.text, link.get_attribute("href")])
    crosstable = []
    for row in driver.find_elements(By.CSS_SELECTOR, "#crosstable tbody tr"):
        cells = [cell.text for cell in row.find_elements(By.TAG_NAME, "td")]
        crosstable.append(cells[1:])
    driver.save_screenshot(screenshots + "-index.png")

    players = []
    game_pages = []
    for _, _, page in standings:
        driver.get(page)
        links = [a.get_attribute("href")
                 for a in driver.find_elements(By.CSS_SELECTOR, "#games tbody a")
                 if "/games/" in a.get_attribute("href")]
        faults = [[cell.text for cell in row.find_elements(By.TAG_NAME, "td")][:2]
                  for row in driver.find_elements(By.CSS_SELECTOR, "#faults tbody tr")]
        players.append({"name": driver.find_element(By.TAG_NAME, "h1").text, "games": links,
                        "faults": faults})
        game_pages += [link for link in links if link not in game_pages]
    driver.get(standings[0][2])
    driver.save_screenshot(screenshots + "-player.png")

    games = {}
    for page in game_pages:
        driver.get(page)
        WebDriverWait(driver, 30).until(
            lambda d: "/" in d.find_element(By.ID, "counter").text)
        data = json.loads(driver.find_element(By.ID, "game-data").get_attribute("textContent"))
        tags = dict(data["tags"])
        games[page] = {"black": tags.get("Black"), "white": tags.get("White"),
                       "event": tags.get("Event"), "moves": len(data["moves"]),
                       "counter": driver.find_element(By.ID, "counter").text}
    print(json.dumps({"standings": standings, "crosstable": crosstable, "players": players,
                      "games": games}))
finally:
    driver.quit()
