"""Opens a replay page in headless chromium through chromedriver, at a
viewport WIDTH pixels wide, uses it as a person would and prints what it
found as one JSON object:

  viewport, scroll_width      the viewport's width and the page's
  columns                     per board column, the [left, right] pixels its squares span
  flipped                     centres of squares (0,0) and (last,last) before and after Flip
  index                       the texts of the game index's buttons
  after_index                 title and counter after clicking the index's last game
  playing                     the counter a while after Play, and Play's label then

Run with Debian's python3 (python3-selenium):  python3 probe_page.py PAGE WIDTH
"""
import json
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

page, width = sys.argv[1], int(sys.argv[2])
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update"):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    # A phone's viewport: WIDTH CSS pixels, as a phone reports them.
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": 740, "deviceScaleFactor": 1, "mobile": True})
    driver.get("file://" + page)
    found = driver.execute_script("""
        const columns = {};
        for (const square of document.querySelectorAll("#board g.sq")) {
          const box = square.querySelector("rect").getBoundingClientRect();
          const x = square.dataset.x;
          const [l, r] = columns[x] || [Infinity, -Infinity];
          columns[x] = [Math.min(l, box.left), Math.max(r, box.right)];
        }
        return { viewport: window.innerWidth,
                 scroll_width: document.documentElement.scrollWidth, columns };
    """)
    corner = """
        const squares = document.querySelectorAll("#board g.sq");
        const last = squares[squares.length - 1];
        // On the page, not in the window: clicking Flip may scroll it into view.
        const at = (square) => {
          const box = square.querySelector("rect").getBoundingClientRect();
          return [box.left + window.scrollX + box.width / 2,
                  box.top + window.scrollY + box.height / 2];
        };
        return [at(squares[0]), at(last)];
    """
    before = driver.execute_script(corner)
    driver.find_element(By.ID, "flip").click()
    found["flipped"] = {"before": before, "after": driver.execute_script(corner)}
    driver.find_element(By.ID, "flip").click()

    buttons = driver.find_elements(By.CSS_SELECTOR, "#games button")
    found["index"] = [button.text for button in buttons]
    if buttons:
        buttons[-1].click()
        found["after_index"] = {"title": driver.find_element(By.ID, "title").text,
                                "counter": driver.find_element(By.ID, "counter").text}

    driver.find_element(By.ID, "play").click()
    # Bounded: the page steps every 0.7 s, so two steps come within seconds.
    WebDriverWait(driver, 20, poll_frequency=0.1).until(
        lambda d: d.find_element(By.ID, "counter").text.split(" / ")[0] not in ("0", "1"))
    found["playing"] = {"counter": driver.find_element(By.ID, "counter").text,
                        "label": driver.find_element(By.ID, "play").text}
    print(json.dumps(found))
finally:
    driver.quit()
