# How Kivren2's pass videos hold their values, in one place: kivren2.fx
# writes the depth and normal images with these constants (its #defines of
# the same names), the README documents them, and a test of the repository
# fails when the effect file, the README and this file disagree. Kept free of
# Blender's modules.

# The view depths that the grey levels span, in Unreal units: white is
# KIVREN_DEPTH_NEAR, black KIVREN_DEPTH_FAR, linear in between, clamped.
KIVREN_DEPTH_NEAR = 0.0
KIVREN_DEPTH_FAR = 20000.0

# File names of a take's passes beside its frame data "<name>.txt".
PASS_SUFFIXES = (
    ("Main", ".mov"),
    ("Depth", " - depth.mov"),
    ("Normal", " - normal.mov"),
    ("Custom", " - custom pass.mov"),
)
CUSTOM_PASS_MANIFEST_SUFFIX = " - custom pass.json"

# Distance Key tolerances (RGB distance, channels 0..1) that cut one ID pass
# mesh out of the Custom video by its flat colour, measured on a kivren-sim
# recording (320x180, 120 frames, the ball and two cars; the README gives
# the figures). ProRes 4444 brings every pixel of a mesh back within 0.017
# of its colour. ProRes 4:2:2 shares the colour of each pair of pixels and
# FFmpeg's scaler smooths it further: a mesh's pixels at least one pixel in
# from its outline come back within 0.023, its outline pixels more than
# 0.15 away (half its neighbour's colour), and the nearest pixel of another
# mesh or of the pitch stood 0.175 away. 0.08 keeps every interior pixel
# with room to spare and stays well clear of the neighbours; no tolerance
# brings the outline back without taking the neighbours' too.
MATTE_TOLERANCE_444 = 0.04
MATTE_TOLERANCE_422 = 0.08
MATTE_FALLOFF = 0.0
# Two listed colours closer than twice the tolerance would share pixels:
# each key then stays under this share of the distance to the nearest.
MATTE_NEIGHBOUR_SHARE = 0.45


def matte_tolerance(key, other_keys, prores_4444):
    """The Distance Key tolerance for the colour `key` (channels 0..1) among
    the other listed colours."""
    tolerance = MATTE_TOLERANCE_444 if prores_4444 else MATTE_TOLERANCE_422
    for other in other_keys:
        distance = sum((a - b) ** 2 for a, b in zip(key, other)) ** 0.5
        tolerance = min(tolerance, MATTE_NEIGHBOUR_SHARE * distance)
    return tolerance


def depth_from_grey(grey):
    """Distance along the camera's viewing axis, in Unreal units, for a grey
    level of the Depth video from 0 (black) to 1 (white)."""
    return KIVREN_DEPTH_FAR - grey * (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR)


def depth_step():
    """Unreal units between two neighbouring 8-bit grey levels."""
    return (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR) / 255.0


def normal_from_colour(channel):
    """A normal's component (view space: X right, Y up, Z towards the
    camera) from its channel of the Normal video, 0 to 1."""
    return channel * 2.0 - 1.0
