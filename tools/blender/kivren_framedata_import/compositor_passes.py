# Brings a take's pass videos into the compositor, lined up with the imported
# camera: the Main video as the picture, the Depth video turned back into a
# Z pass in scene units, the Normal video into a camera-space normal, and one
# matte per ID pass mesh keyed by the exact colour the plugin drew it in
# (from the list the plugin writes beside the Custom video).
#
# Every node sits in a labelled frame, in three columns: the videos, what is
# made of each, and the outputs.

import os

import bpy

from . import pass_encoding
from .custom_pass_manifest import ManifestError, read_manifest

_COLUMN = 360
_ROW = 330


def pass_paths(frame_data_path):
    """{pass name: video path} of the take whose frame data is the file."""
    stem = os.path.splitext(frame_data_path)[0]
    return {name: stem + suffix for name, suffix in pass_encoding.PASS_SUFFIXES}


def manifest_path(frame_data_path):
    return os.path.splitext(frame_data_path)[0] + pass_encoding.CUSTOM_PASS_MANIFEST_SUFFIX


class PassImport:
    """What the import brought in and what it left out, with the reasons."""

    def __init__(self):
        self.clips = {}
        self.mattes = {}  # mesh hash: the socket of its matte
        self.z = None
        self.normal = None
        self.left_out = []
        self.notes = []


def _load_clips(path, entries, start_frame, result):
    data_file = os.path.basename(path)
    for name, video in pass_paths(path).items():
        shown = os.path.basename(video)
        if not os.path.isfile(video):
            result.left_out.append("the %s pass: %s is not beside %s" % (name, shown, data_file))
            continue
        try:
            # The Main video is already the camera's background: one clip.
            clip = bpy.data.movieclips.load(video, check_existing=True)
        except RuntimeError:
            result.left_out.append("the %s pass: Blender cannot open %s" % (name, shown))
            continue
        frames = clip.frame_duration
        wanted = len(entries)
        # A Custom frame is drawn on the game frame after its Main frame: a
        # recording stopped between the two has none for the last Main frame.
        fits = frames == wanted or (name == "Custom" and frames == wanted - 1)
        if clip.size[0] == 0 or not fits:
            result.left_out.append("the %s pass: %s has %d frames, the frame data %d entries"
                                   % (name, shown, frames, wanted))
            if clip.users == 0:
                bpy.data.movieclips.remove(clip)
            continue
        clip.frame_start = start_frame
        # Only the screen is a picture; the other passes hold numbers, which
        # a colour transform would bend.
        if name != "Main":
            clip.colorspace_settings.name = "Non-Color"
        result.clips[name] = clip


class _Tree:
    def __init__(self, tree):
        self.tree = tree

    def frame(self, label, colour=None, parent=None):
        frame = self.tree.nodes.new("NodeFrame")
        frame.label = label
        frame.name = "Kivren " + label
        frame.label_size = 16
        frame.shrink = True
        if colour is not None:
            frame.use_custom_color = True
            frame.color = colour
        frame.parent = parent
        return frame

    def node(self, kind, label, column, row, parent=None):
        node = self.tree.nodes.new(kind)
        node.label = label
        node.name = "Kivren " + label
        # Frames stay at the origin, so that their children's locations are
        # the same in the frame as in the tree.
        node.parent = parent
        node.location = (column * _COLUMN, -row * _ROW)
        return node

    def link(self, output, input):
        self.tree.links.new(output, input)


def _depth_to_z(t, clip_node, scale, column, row, parent):
    """Z in scene units: grey 1 is KIVREN_DEPTH_NEAR, grey 0 KIVREN_DEPTH_FAR."""
    near, far = pass_encoding.KIVREN_DEPTH_NEAR, pass_encoding.KIVREN_DEPTH_FAR
    frame = t.frame("Depth to Z (%g to %g m)" % (near * 0.01, far * 0.01), parent=parent)
    grey = t.node("CompositorNodeSeparateColor", "Depth grey", column, row, frame)
    t.link(clip_node.outputs["Image"], grey.inputs["Image"])
    z = t.node("CompositorNodeMath", "Z = far - grey x (far - near)", column + 0.6, row, frame)
    z.operation = 'MULTIPLY_ADD'
    z.use_clamp = False
    z.inputs[1].default_value = -(far - near) * scale
    z.inputs[2].default_value = far * scale
    t.link(grey.outputs["Red"], z.inputs[0])
    return z.outputs[0]


def _decode_normal(t, clip_node, column, row, parent):
    """Camera-space normal: X right, Y up, Z towards the camera, each -1..1."""
    frame = t.frame("Normal (camera space)", parent=parent)
    parts = t.node("CompositorNodeSeparateColor", "Normal channels", column, row, frame)
    t.link(clip_node.outputs["Image"], parts.inputs["Image"])
    combine = t.node("CompositorNodeCombineColor", "Normal XYZ", column + 1.2, row, frame)
    for index, (channel, axis) in enumerate((("Red", "X"), ("Green", "Y"), ("Blue", "Z"))):
        decode = t.node("CompositorNodeMath", "%s = c x 2 - 1" % axis, column + 0.6,
                        row - 0.3 + index * 0.35, frame)
        decode.operation = 'MULTIPLY_ADD'
        decode.use_clamp = False
        decode.inputs[1].default_value = 2.0
        decode.inputs[2].default_value = -1.0
        decode.hide = True
        t.link(parts.outputs[channel], decode.inputs[0])
        t.link(decode.outputs[0], combine.inputs[index])
    return combine.outputs["Image"]


def _mattes(t, clip_node, manifest, meshes, column, row, parent):
    """One matte per mesh: 1 where the Custom video has its colour."""
    frame = t.frame("ID pass mattes (ProRes %s)" % ("4444" if manifest.prores_4444 else "422 HQ"),
                    parent=parent)
    mattes = {}
    for index, mesh in enumerate(meshes):
        # Every listed colour counts, ticked or not: its pixels are in the video.
        others = [m.key_colour() for m in manifest.meshes if m.hash != mesh.hash]
        tolerance = pass_encoding.matte_tolerance(mesh.key_colour(), others,
                                                  manifest.prores_4444)
        key = t.node("CompositorNodeDistanceMatte", "Key %s" % mesh.hash, column,
                     row + index * 0.9, frame)
        key.channel = 'RGB'
        key.tolerance = tolerance
        key.falloff = pass_encoding.MATTE_FALLOFF
        key.inputs["Key Color"].default_value = (*mesh.key_colour(), 1.0)
        key.use_custom_color = True
        key.color = mesh.key_colour()
        t.link(clip_node.outputs["Image"], key.inputs["Image"])
        # The key leaves its colour transparent: the matte is the other way round.
        matte = t.node("CompositorNodeMath", "Matte %s" % mesh.hash, column + 0.6,
                       row + index * 0.9, frame)
        matte.operation = 'SUBTRACT'
        matte.use_clamp = True
        matte.inputs[0].default_value = 1.0
        matte.use_custom_color = True
        matte.color = mesh.key_colour()
        t.link(key.outputs["Matte"], matte.inputs[1])
        mattes[mesh.hash] = matte.outputs[0]
    return mattes


def choose_meshes(manifest, chosen):
    """The manifest's meshes that the import keeps: all of them, or those
    whose hash `chosen` maps to True (the dialog's ticks)."""
    if not chosen:
        return list(manifest.meshes)
    return [m for m in manifest.meshes if chosen.get(m.hash, True)]


def import_passes(context, path, entries, options, chosen_meshes=None):
    """Loads the passes beside the frame data file `path` into the scene's
    compositor. options is the import operator (start_frame, scale)."""
    result = PassImport()
    _load_clips(path, entries, options.start_frame, result)
    if not result.clips:
        return result

    manifest = None
    if "Custom" in result.clips:
        listed = manifest_path(path)
        if not os.path.isfile(listed):
            result.left_out.append("the ID mattes: %s is not beside %s"
                                   % (os.path.basename(listed), os.path.basename(path)))
        else:
            try:
                manifest = read_manifest(listed)
            except ManifestError as error:
                result.left_out.append("the ID mattes: %s %s" % (os.path.basename(listed), error))

    scene = context.scene
    # A tree of the user's own, even one switched off, is added to, never cleared.
    fresh = scene.node_tree is None
    scene.use_nodes = True
    tree = scene.node_tree
    if fresh:
        # Blender's default Render Layers and Composite: the take's own replace them.
        tree.nodes.clear()
    has_composite = any(n.bl_idname == "CompositorNodeComposite" for n in tree.nodes)
    t = _Tree(tree)
    # Beside whatever the tree held already.
    base = 0.0 if fresh else max((n.location.x for n in tree.nodes), default=0.0) / _COLUMN + 2
    name = os.path.splitext(os.path.basename(path))[0]
    outer = t.frame("Kivren take \"%s\"" % name)
    videos = t.frame("Recorded passes", parent=outer)

    clip_nodes = {}
    for row, (pass_name, clip) in enumerate(result.clips.items()):
        node = t.node("CompositorNodeMovieClip", "%s video" % pass_name, base, row, videos)
        node.clip = clip
        clip_nodes[pass_name] = node

    if "Depth" in clip_nodes:
        result.z = _depth_to_z(t, clip_nodes["Depth"], options.scale, base + 1,
                               list(clip_nodes).index("Depth"), outer)
    if "Normal" in clip_nodes:
        result.normal = _decode_normal(t, clip_nodes["Normal"], base + 1,
                                       list(clip_nodes).index("Normal"), outer)
    if manifest is not None:
        meshes = choose_meshes(manifest, chosen_meshes)
        left = len(manifest.meshes) - len(meshes)
        if left:
            result.notes.append("%d ID pass mesh%s unticked" % (left, "" if left == 1 else "es"))
        result.mattes = _mattes(t, clip_nodes["Custom"], manifest, meshes, base + 1,
                                list(clip_nodes).index("Custom"), outer)

    if not has_composite:
        if options.set_scene and "Main" in clip_nodes:
            # The Main video comes out as it went in, not through Filmic.
            scene.view_settings.view_transform = 'Standard'
            scene.view_settings.look = 'None'
        outputs = t.frame("Outputs", parent=outer)
        composite = t.node("CompositorNodeComposite", "Composite", base + 3, 0, outputs)
        viewer = t.node("CompositorNodeViewer", "Viewer", base + 3, 1, outputs)
        if "Main" in clip_nodes:
            t.link(clip_nodes["Main"].outputs["Image"], composite.inputs["Image"])
            t.link(clip_nodes["Main"].outputs["Image"], viewer.inputs["Image"])
        if result.z is not None:
            t.link(result.z, composite.inputs["Z"])
            t.link(result.z, viewer.inputs["Z"])
    return result
