; tube.vs - textured bands around the eye: the Milky Way and the landscape.
;
; Vertex: position v0 (x, y, z), colour v1, texture coordinate v2.
; c1-c4   world x view x projection, transposed: one row per register
; c0.x    brightness: multiplies the vertex colour (the sky's light for the
;         landscape, the band's strength for the Milky Way)
; c0.yzw are not read; the alpha is the vertex's (and the texture's).
vs_1_1
dcl_position v0
dcl_color v1
dcl_texcoord v2
m4x4 oPos, v0, c1
mul oD0.xyz, v1, c0.x
mov oD0.w, v1.w
mov oT0, v2
