; anneaux.vs - Saturn's rings, two textures (the rings and their shadow).
;
; Vertex: position v0, normal v1 (not read), colour v2 (not read),
;         texture coordinates v3 (rings) and v4 (shadow).
; c1-c4   world x view x projection, transposed: one row per register
; c0.rgb  colour factor of the rings (their light is twice this factor)
; c5      direction of the camera from the Sun: c7 plus the camera's offset
;         from Saturn over Saturn's distance from the Sun
; c6      normal of the ring plane, in the frame of c5 and c7
; c7      direction of Saturn from the Sun (unit vector)
;
; The face of the rings turned from the Sun is darkened: the Sun lights the
; side of the plane opposite to c7, and the camera sees the side of c5 - c7
; (the camera's offset from Saturn, as seen from the Sun). When the two
; sides differ the face in view is the dark one and gets 0.4 of the light.
; c0.w, c5.w, c6.w and c7.w are not read; the alpha is 1 and the textures
; give the transparency.
vs_1_1
dcl_position v0
dcl_normal v1
dcl_color v2
dcl_texcoord0 v3
dcl_texcoord1 v4
def c8, 0.0, 1.0, 0.6, 2.0
m4x4 oPos, v0, c1
dp3 r0.x, c7, c6
sub r1.xyz, c5, c7
dp3 r0.y, r1, c6
mul r0.z, r0.x, r0.y
; r0.z > 0: the camera is on the Sun's far side of the plane (dark face).
slt r0.w, c8.x, r0.z
mad r2.x, -r0.w, c8.z, c8.y
mul r3.xyz, c0, c8.w
mul oD0.xyz, r3, r2.x
mov oD0.w, c8.y
mov oT0, v3
mov oT1, v4
