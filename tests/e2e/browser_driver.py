#!/usr/bin/python3
# Headless Chromium for the browser tests (tests/e2e/Browser.h): one command a line on
# standard input, a JSON array [command, argument]; one JSON object a line back, with the
# "value" or the "error". The first line out is {"ready": true} or the error.
import json
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

COMMANDS = {
    "open": lambda b, url: b.get(url),
    "keys": lambda b, text: ActionChains(b).send_keys(text.replace("\n", Keys.ENTER)).perform(),
    "eval": lambda b, expression: b.execute_script("return (" + expression + ");"),
    "shot": lambda b, path: b.save_screenshot(path),
}


def answer(**fields):
    print(json.dumps(fields), flush=True)


try:
    options = webdriver.ChromeOptions()
    options.binary_location = sys.argv[1]
    size = sys.argv[3] if len(sys.argv) > 3 else "1280,800"  # a third argument: WIDTH,HEIGHT
    for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                 "--no-first-run", "--window-size=" + size, "--hide-scrollbars"):
        options.add_argument(flag)
    browser = webdriver.Chrome(service=Service(sys.argv[2]), options=options)
except Exception as e:
    answer(error="the browser did not start: %s" % e)
    sys.exit(1)
try:
    answer(ready=True)
    for line in sys.stdin:
        try:
            command, argument = json.loads(line)
            answer(value=COMMANDS[command](browser, argument))
        except Exception as e:
            answer(error="%s: %s" % (type(e).__name__, e))
finally:
    browser.quit()
