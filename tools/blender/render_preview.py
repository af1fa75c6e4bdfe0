# Renders one frame of an imported recording over its own Main video: the
# picture in the README (docs/blender-import.png). Stand-in shapes (a sphere
# of the ball's size, a box body with a cabin for each car) ride on the
# imported empties, are seen by the imported camera and laid over the video
# frame, so a misaligned camera shows as outlines beside their objects.
#
# Made from a kivren-sim recording, headless, in under a minute:
#   build/native/bin/kivren-sim --size 960x540 --frames 40 --pace fast --out /tmp/kivren-preview
#   blender -b --factory-startup --python-exit-code 1 --python tools/blender/render_preview.py -- \
#       --recording /tmp/kivren-preview/replay.txt --frame 14 --output docs/blender-import.png
# The add-on is loaded from the folder of this script; nothing is installed.

import argparse
import os
import sys

import addon_utils
import bmesh
import bpy

ADDON = "kivren_framedata_import"

# The car bodies' proportions in Unreal units, as kivren-sim draws car 1 to
# 8 (sim/scene/scene_meshes.cpp): length, width, height, cabin start and end
# along the length. Its sim recording test outlines the cars with them too.
CAR_BODIES = (
    (118.0, 84.2, 36.2, 0.12, 0.62),
    (127.9, 83.3, 31.3, 0.10, 0.55),
    (131.5, 80.5, 30.3, 0.15, 0.58),
    (120.7, 87.0, 41.7, 0.05, 0.70),
    (128.8, 84.7, 29.4, 0.20, 0.60),
    (127.0, 82.2, 34.2, 0.12, 0.60),
    (118.0, 84.2, 36.2, 0.08, 0.66),
    (121.5, 80.6, 33.9, 0.14, 0.57),
)
BALL_RADIUS_UU = 93.15


def parse_arguments():
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    parser = argparse.ArgumentParser(
        description="Render imported Kivren frame data over the Main video")
    parser.add_argument("--recording", required=True,
                        help="frame data file, NAME.txt beside NAME.mov")
    parser.add_argument("--frame", type=int, default=1, help="video frame, from 1")
    parser.add_argument("--output", required=True, help="PNG file to write")
    parser.add_argument("--samples", type=int, default=16)
    parser.add_argument("--addon-dir", default=os.path.dirname(os.path.abspath(__file__)))
    return parser.parse_args(argv)


def stand_in_material(name, colour):
    """A see-through flat colour on the faces towards the camera only (the far
    faces would double it), so that the video's object shows through its
    stand-in and their edges can be compared."""
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    nodes, links = material.node_tree.nodes, material.node_tree.links
    nodes.clear()
    emission = nodes.new("ShaderNodeEmission")
    emission.inputs["Color"].default_value = (*colour, 1.0)
    transparent = nodes.new("ShaderNodeBsdfTransparent")
    fill = nodes.new("ShaderNodeMixShader")
    fill.inputs["Fac"].default_value = 0.3
    links.new(transparent.outputs[0], fill.inputs[1])
    links.new(emission.outputs[0], fill.inputs[2])
    facing = nodes.new("ShaderNodeMixShader")
    links.new(nodes.new("ShaderNodeNewGeometry").outputs["Backfacing"], facing.inputs["Fac"])
    links.new(fill.outputs[0], facing.inputs[1])
    links.new(transparent.outputs[0], facing.inputs[2])
    links.new(facing.outputs[0], nodes.new("ShaderNodeOutputMaterial").inputs["Surface"])
    return material


def car_body_boxes(body):
    """The two boxes of a car body as kivren-sim builds it, (low, high)
    corners in metres in the car's own axes (X nose, Y left, Z roof): the
    chassis from just above the origin, and a narrower cabin on it."""
    length, width, height, cabin_start, cabin_end = body
    hx, hy, top = length / 2, width / 2, 1.0 + height * 0.62

    def metres(*v):
        return tuple(c * 0.01 for c in v)

    return ((metres(-hx, -hy, 1.0), metres(hx, hy, top)),
            (metres(-hx + cabin_start * length, -hy * 0.82, top),
             metres(-hx + cabin_end * length, hy * 0.82, 1.0 + height)))


def box_corners(low, high):
    return [(x, y, z) for x in (low[0], high[0]) for y in (low[1], high[1])
            for z in (low[2], high[2])]


def box_mesh(name, low, high):
    faces = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata(box_corners(low, high), [], faces)
    return mesh


def sphere_mesh(name, radius):
    mesh = bpy.data.meshes.new(name)
    shape = bmesh.new()
    bmesh.ops.create_uvsphere(shape, u_segments=24, v_segments=12, radius=radius)
    shape.to_mesh(mesh)
    shape.free()
    return mesh


def add_stand_in(name, mesh, parent, material, collection):
    """The mesh placed in the parent's own axes, that is on the empty's pose."""
    shape = bpy.data.objects.new(name, mesh)
    shape.parent = parent
    mesh.materials.append(material)
    collection.objects.link(shape)


def draw_outlines(scene, collection, colour):
    """Freestyle lines of constant width round the stand-ins, which a
    wireframe in scene units would not keep on near and far objects alike."""
    scene.render.use_freestyle = True
    settings = bpy.context.view_layer.freestyle_settings
    line_set = settings.linesets[0] if settings.linesets else settings.linesets.new("Stand-ins")
    line_set.select_by_collection = True
    line_set.collection = collection
    # The outline only: inner edges would bury a far car under lines.
    line_set.select_silhouette = line_set.select_border = True
    line_set.select_crease = False
    if line_set.linestyle is None:
        line_set.linestyle = bpy.data.linestyles.new("Kivren Stand-ins")
    line_set.linestyle.color = colour
    line_set.linestyle.thickness = 1.5  # pixels


def set_up_compositor(scene, clip):
    """The render, with its transparent film, laid over the Main video's
    frame of the same scene frame."""
    scene.use_nodes = True
    tree = scene.node_tree
    tree.nodes.clear()
    layers = tree.nodes.new("CompositorNodeRLayers")
    movie = tree.nodes.new("CompositorNodeMovieClip")
    movie.clip = clip
    over = tree.nodes.new("CompositorNodeAlphaOver")
    composite = tree.nodes.new("CompositorNodeComposite")
    tree.links.new(movie.outputs["Image"], over.inputs[1])
    tree.links.new(layers.outputs["Image"], over.inputs[2])
    tree.links.new(over.outputs["Image"], composite.inputs["Image"])


def main():
    args = parse_arguments()
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.abspath(args.addon_dir))
    bpy.ops.wm.read_factory_settings(use_empty=True)
    if addon_utils.enable(ADDON, default_set=True) is None:
        raise RuntimeError("the add-on %s could not be enabled from %s" % (ADDON, args.addon_dir))

    # The camera's lens depends on the picture's shape: take it from the video.
    video = os.path.splitext(os.path.abspath(args.recording))[0] + ".mov"
    width, height = bpy.data.movieclips.load(video, check_existing=True).size
    if width == 0:
        raise RuntimeError("Blender cannot read the Main video %s" % video)
    bpy.ops.import_scene.kivren_framedata(filepath=os.path.abspath(args.recording),
                                          resolution_x=width, resolution_y=height)
    scene = bpy.context.scene
    clip = scene.camera.data.background_images[0].clip

    stand_ins = bpy.data.collections.new("Kivren Stand-ins")
    scene.collection.children.link(stand_ins)
    material = stand_in_material("Kivren Stand-in", (1.0, 0.85, 0.0))
    add_stand_in("Kivren Ball Stand-in", sphere_mesh("Ball", BALL_RADIUS_UU * 0.01),
                 bpy.data.objects["Kivren Ball"], material, stand_ins)
    for index, body in enumerate(CAR_BODIES):
        car = bpy.data.objects.get("Kivren Car %d" % (index + 1))
        if car is None:
            continue
        for part, (low, high) in zip(("Chassis", "Cabin"), car_body_boxes(body)):
            add_stand_in("%s %s" % (car.name, part), box_mesh(part, low, high), car, material,
                         stand_ins)
    draw_outlines(scene, stand_ins, (1.0, 0.15, 0.85))

    if not 1 <= args.frame <= scene.frame_end - scene.frame_start + 1:
        raise RuntimeError("--frame %d: the recording has frames 1 to %d"
                           % (args.frame, scene.frame_end - scene.frame_start + 1))
    scene.frame_set(scene.frame_start + args.frame - 1)
    # A car slot empty on this frame hides its empty; children do not follow.
    for shape in stand_ins.objects:
        shape.hide_render = shape.parent.hide_render
    scene.render.engine = 'CYCLES'
    scene.cycles.device = 'CPU'
    scene.cycles.samples = args.samples
    scene.cycles.use_denoising = False
    scene.render.film_transparent = True
    scene.render.resolution_percentage = 100
    # The video's pixels must come out as they went in.
    scene.view_settings.view_transform = 'Standard'
    scene.view_settings.look = 'None'
    scene.render.image_settings.file_format = 'PNG'
    scene.render.image_settings.color_mode = 'RGB'
    scene.render.image_settings.compression = 100
    set_up_compositor(scene, clip)
    scene.render.filepath = os.path.abspath(args.output)
    bpy.ops.render.render(write_still=True)


if __name__ == "__main__":
    main()
