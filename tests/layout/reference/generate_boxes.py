#!/usr/bin/env python3
"""Writes chromium_boxes.json: the boxes headless Chromium lays out for every case of cases.json.

Each case becomes HTML/CSS with the same meaning as our layout styles (border-box sizing, no
margins, flexbox, the auto-fill grid; block mode as a flow-root whose in-flow children after the
first get the row gap as a top margin). Chromium's boxes are recorded relative to the parent's
border box, the root's relative to the viewport; for every node that clips, its scroll width
and height too (whole pixels), which the engine reports as the content size. Run it again whenever cases.json changes:

    tests/layout/reference/generate_boxes.py [path to chromium-headless-shell]
"""

import html
import json
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ALIGN = {"start": "flex-start", "center": "center", "end": "flex-end", "stretch": "stretch"}
JUSTIFY = {"start": "flex-start", "center": "center", "end": "flex-end", "space-between": "space-between"}


def length(value):
    if isinstance(value, str):
        return value
    return f"{value}px"


def declarations(style, parent_style, index_in_flow):
    display = style.get("display", "flex")
    out = ["box-sizing:border-box", "margin:0", "border:0"]
    if display == "flex":
        out += ["display:flex", "flex-direction:" + style.get("direction", "row"),
                "flex-wrap:" + ("wrap" if style.get("wrap") else "nowrap")]
    elif display == "block":
        out.append("display:flow-root")
    elif display == "grid":
        out += ["display:grid", f"grid-template-columns:repeat(auto-fill, minmax({style['grid_min_column']}px, 1fr))"]
    if style.get("position") == "absolute":
        out.append("position:absolute")
        for side, value in zip(("left", "top", "right", "bottom"), style.get("inset", [])):
            if value is not None:
                out.append(f"{side}:{length(value)}")
    else:
        out.append("position:relative")
    if style.get("overflow") == "hidden":
        out.append("overflow:hidden")
    for key, prop in (("width", "width"), ("height", "height"), ("min_width", "min-width"),
                      ("min_height", "min-height"), ("max_width", "max-width"), ("max_height", "max-height")):
        if key in style:
            out.append(f"{prop}:{length(style[key])}")
    if "padding" in style:
        left, top, right, bottom = style["padding"]
        out.append(f"padding:{top}px {right}px {bottom}px {left}px")
    if "gap" in style and display != "block":
        gap = style["gap"]
        column, row = (gap, gap) if not isinstance(gap, list) else gap
        out.append(f"column-gap:{column}px;row-gap:{row}px")
    if display in ("flex", "grid"):
        out.append("align-items:" + ALIGN[style.get("align", "stretch")])
    if display == "flex":
        out.append("justify-content:" + JUSTIFY[style.get("justify", "start")])
    parent_display = parent_style.get("display", "flex") if parent_style is not None else None
    if parent_display == "flex":
        basis = style.get("basis")
        out += [f"flex-grow:{style.get('grow', 0)}", f"flex-shrink:{style.get('shrink', 1)}",
                "flex-basis:" + ("auto" if basis is None else length(basis))]
    if "align_self" in style and parent_display in ("flex", "grid"):
        out.append("align-self:" + ALIGN[style["align_self"]])
    if parent_display == "block" and index_in_flow > 0 and style.get("position") != "absolute":
        gap = parent_style.get("gap", 0)
        row = gap[1] if isinstance(gap, list) else gap
        out.append(f"margin-top:{row}px")
    return ";".join(out)


def assign_ids(node, path):
    node["id"] = path
    for index, child in enumerate(node.get("children", [])):
        assign_ids(child, f"{path}.{index}")


# A paragraph: words of WORD_WIDTH by WORD_HEIGHT, WORD_SPACE apart, wrapping like text. As a
# wrapping flex row its min-content width is one word, its max-content width one line of all.
WORD_WIDTH, WORD_HEIGHT, WORD_SPACE = 40, 20, 10


def paragraph(node, parent_style, index_in_flow):
    style = {"wrap": True, "gap": [WORD_SPACE, 0], "align": "start"}
    css = declarations(style, parent_style, index_in_flow)
    word = f'<span style="display:block;flex:none;width:{WORD_WIDTH}px;height:{WORD_HEIGHT}px"></span>'
    return f'<div data-id="{node["id"]}" style="{html.escape(css, quote=True)}">{word * node["text"]}</div>'


def markup(node, parent_style, index_in_flow):
    if "text" in node:
        return paragraph(node, parent_style, index_in_flow)
    style = node.get("style", {})
    inner = []
    in_flow = 0
    for child in node.get("children", []):
        inner.append(markup(child, style, in_flow))
        if child.get("style", {}).get("position") != "absolute":
            in_flow += 1
    css = html.escape(declarations(style, parent_style, index_in_flow), quote=True)
    return f'<div data-id="{node["id"]}" style="{css}">{"".join(inner)}</div>'


def page(case):
    width, height = case["viewport"]
    body = markup(case["root"], None, 0)
    return f"""<!doctype html><html><head><meta charset="utf-8"></head>
<body style="margin:0"><div id="viewport" style="position:relative;display:flow-root;width:{width}px;height:{height}px">{body}</div>
<pre id="boxes"></pre>
<script>
const boxes = {{}};
const extents = {{}};
for (const element of document.querySelectorAll('[data-id]')) {{
  const own = element.getBoundingClientRect();
  const parent = element.parentElement.getBoundingClientRect();
  boxes[element.dataset.id] = [own.left - parent.left, own.top - parent.top, own.width, own.height];
  if (getComputedStyle(element).overflow === 'hidden')
    extents[element.dataset.id] = [element.scrollWidth, element.scrollHeight];
}}
document.getElementById('boxes').textContent = JSON.stringify({{boxes, extents}});
</script></body></html>"""


def chromium_boxes(browser, case):
    with tempfile.NamedTemporaryFile("w", suffix=".html", delete=False) as handle:
        handle.write(page(case))
        path = handle.name
    try:
        dom = subprocess.run([browser, "--no-sandbox", "--disable-gpu", "--dump-dom", "file://" + path],
                             capture_output=True, text=True, timeout=120, check=True).stdout
    finally:
        os.unlink(path)
    found = re.search(r'<pre id="boxes">(.*?)</pre>', dom, re.S)
    if not found:
        sys.exit(f"no boxes from Chromium for case {case['name']}")
    return json.loads(html.unescape(found.group(1)))


def main():
    browser = sys.argv[1] if len(sys.argv) > 1 else "chromium-headless-shell"
    with open(os.path.join(HERE, "cases.json"), encoding="utf-8") as handle:
        cases = json.load(handle)["cases"]
    for case in cases:
        assign_ids(case["root"], "0")
        measured = chromium_boxes(browser, case)
        case["boxes"] = measured["boxes"]
        case["scroll_extents"] = measured["extents"]
    with open(os.path.join(HERE, "chromium_boxes.json"), "w", encoding="utf-8") as handle:
        json.dump({"generator": "tests/layout/reference/generate_boxes.py", "cases": cases}, handle, indent=1)
        handle.write("\n")
    print(f"wrote {len(cases)} cases")


if __name__ == "__main__":
    main()
