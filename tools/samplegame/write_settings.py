#!/usr/bin/env python3
"""write_settings.py OUT_SETTINGS_CFG SAMPLE_DIR

Writes the settings.cfg that the program writes on a first run, byte for byte,
except that the game path is SAMPLE_DIR/Brastel and the mod path SAMPLE_DIR/mod
(both absolute). The default screenshot folder lies beside the file, as the
program places it in its data folder; it is created like the program does.
"""

import os
import sys


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def element(indent, name, value):
    pad = " " * indent
    return f"{pad}<{name}>{escape(value)}</{name}>\n"


def settings_text(game_path, mod_path, screenshot_path):
    groups = [
        ("Paths", [
            ("BrastelPath", game_path),
            ("ModPath", mod_path),
            ("ImageEditor", ""),
            ("Screenshots", screenshot_path),
        ]),
        ("RendererSystems", None),
        ("RendererCommon", [
            ("TextureFilter", "Anisotropic 4x"),
            ("MSAA", "4x"),
            ("ShadowMap", "2048"),
            ("ShadowMapSamples", "8"),
            ("VSync", "1"),
        ]),
        ("SceneSettings", [
            ("MouseInvertX", "false"),
            ("MouseInvertY", "false"),
            ("ViewportColor", "128 128 128 255"),
            ("AmbientLight", "127"),
            ("ShowHangar", "true"),
            ("ShowGrid", "false"),
            ("ShowTankInfo", "true"),
            ("ShowShadows", "false"),
            ("SceneSet", "premium"),
            ("Lighting", "bumpmap"),
            ("ScreenshotAlpha", "false"),
            ("ScreenshotTimeStamp", "true"),
            ("ShowRenderInfo", "false"),
            ("OverwriteTextures", "false"),
            ("VerticalTabs", "false"),
            ("NativeFileDialog", "true"),
            ("DisableTranslate", "false"),
        ]),
    ]
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n', "<Settings>\n", element(1, "Version", "1")]
    for name, keys in groups:
        out.append(f" <{name}>\n")
        if keys is None:
            out.append("  <Renderer>\n")
            out.append(element(3, "Name", "OpenGL 3.2"))
            out.append(element(3, "ShaderDir", "../data/shaders/glsl150"))
            out.append("  </Renderer>\n")
        else:
            for key, value in keys:
                out.append(element(2, key, value))
        out.append(f" </{name}>\n")
    out.append("</Settings>\n")
    return "".join(out)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    out_file = argv[1]
    sample_dir = os.path.realpath(argv[2])
    # The program's data folder comes from the working folder, which has no
    # symbolic links left in it; so resolve them here too.
    data_dir = os.path.realpath(os.path.dirname(os.path.abspath(out_file)))
    os.makedirs(data_dir, exist_ok=True)
    screenshots = os.path.join(data_dir, "screenshots")
    os.makedirs(screenshots, exist_ok=True)
    text = settings_text(os.path.join(sample_dir, "Brastel"), os.path.join(sample_dir, "mod"),
                         screenshots)
    with open(os.path.join(data_dir, os.path.basename(out_file)), "w", encoding="utf-8",
              newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
