#!/usr/bin/python3
# Headless Chromium for the browser tests, driven one command per line on standard input
# (a JSON array), one JSON object per line back:
#   ["open", url]        loads the page
#   ["keys", text]       types into whatever has the focus, as a scanner does ("\n" is Enter)
#   ["eval", expression] the value of a JavaScript expression
#   ["shot", path]       a PNG of the window
# The first line out is {"ready": true}, or {"error": why} when the browser does not start.
import json
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys


def reply(**fields):
    sys.stdout.write(json.dumps(fields) + "\n")
    sys.stdout.flush()


def start(chromium, chromedriver, size):
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                 "--no-first-run", "--window-size=" + size, "--hide-scrollbars"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(chromedriver), options=options)


def run(browser, command, argument):
    if command == "open":
        browser.get(argument)
        return None
    if command == "keys":
        ActionChains(browser).send_keys(argument.replace("\n", Keys.ENTER)).perform()
        return None
    if command == "eval":
        return browser.execute_script("return (" + argument + ");")
    if command == "shot":
        return browser.save_screenshot(argument)
    raise ValueError("unknown command " + command)


def main():
    chromium, chromedriver = sys.argv[1], sys.argv[2]
    size = sys.argv[3] if len(sys.argv) > 3 else "1280,800"
    try:
        browser = start(chromium, chromedriver, size)
    except Exception as e:  # the test reports it as a failure
        reply(error="the browser did not start: %s" % e)
        return 1
    try:
        reply(ready=True)
        for line in sys.stdin:
            try:
                command, argument = json.loads(line)
                reply(value=run(browser, command, argument))
            except Exception as e:
                reply(error="%s: %s" % (type(e).__name__, e))
    finally:
        browser.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
